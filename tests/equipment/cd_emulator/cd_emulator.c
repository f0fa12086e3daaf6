/*
 * An emulated CD-ROM drive for the test Wine prefix, so that the CD track
 * listing can be tried through the whole platform path on a machine without
 * a CD drive. Test equipment only: loaded with LD_PRELOAD into the test
 * prefix's Wine processes, never shipped.
 *
 * Wine opens \\.\D: as the Unix file that the prefix's dosdevices/d:: link
 * names and turns the drive requests into Linux CD ioctls on it. This
 * library answers those ioctls for any file whose name ends in ".cdemu" and
 * passes every other call to the C library.
 *
 * The .cdemu file describes the disc in the drive, one word and one number
 * a line, read again on every call so that a test can insert, change and
 * eject a disc while the program runs:
 *
 *     first 4          number of the first track (optional, default 1)
 *     delay 30         seconds the table of contents takes (optional)
 *     spin-up 2        seconds the drive is not ready after the file was
 *                      last modified, as a drive spinning a disc up
 *                      (optional): a test sets when the disc went in with
 *                      touch, a time ahead keeping the drive not ready
 *     audio 150        a track and its start, in frames from the disc's
 *     data 45000       start (75 a second, 150 for the usual first track)
 *     lead-out 60000   where the last track ends
 *
 * An empty file is a drive without a disc; a file that starts with any
 * other word (say "open") is a drive whose tray is open.
 *
 * Each answer is appended to the file's name + ".log" as one line: the
 * Unix process id, the Windows program's name and the request. A test
 * counts its program's own lines there.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

/* How long the Linux CD driver waits for a drive becoming ready before it
 * gives up on a request with "no medium". */
enum { kMaxTracks = 99, kFramesPerSecond = 75, kLbaOffset = 150, kSpinUpWaitSeconds = 20 };

enum DiscState { kNoDisc, kTrayOpen, kDiscOk };

struct Disc {
    enum DiscState state;
    int delaySeconds;
    struct timespec readyAt; /* the end of the spin-up */
    int first;
    int count;
    int start[kMaxTracks + 1]; /* the lead-out's start last */
    int isData[kMaxTracks];
};

static const char kSuffix[] = ".cdemu";

/* The name of the file open on fd when it is an emulated disc. */
static int DiscPath(int fd, char* path, size_t size)
{
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, size - 1);
    if (n <= 0)
        return 0;
    path[n] = '\0';
    const size_t length = (size_t)n;
    return length > sizeof kSuffix - 1 && strcmp(path + length - (sizeof kSuffix - 1), kSuffix) == 0;
}

/* Read by name, not through fd: the file may have been written anew. */
static void ReadDisc(const char* path, struct Disc* disc)
{
    memset(disc, 0, sizeof *disc);
    disc->first = 1;
    char text[4096] = "";
    const int file = open(path, O_RDONLY | O_CLOEXEC);
    struct stat status = {0};
    if (file >= 0) {
        const ssize_t n = read(file, text, sizeof text - 1);
        text[n > 0 ? n : 0] = '\0';
        fstat(file, &status);
        close(file);
    }
    char word[32];
    int number = 0;
    int used = 0;
    if (sscanf(text, " %31s%n", word, &used) != 1)
        return; /* nothing in the file: no disc */
    disc->state = kTrayOpen;
    for (const char* p = text; sscanf(p, " %31s %d%n", word, &number, &used) == 2; p += used) {
        if (strcmp(word, "first") == 0 && disc->count == 0) {
            disc->first = number;
        } else if (strcmp(word, "delay") == 0) {
            disc->delaySeconds = number;
        } else if (strcmp(word, "spin-up") == 0) {
            disc->readyAt = status.st_mtim;
            disc->readyAt.tv_sec += number;
        } else if ((strcmp(word, "audio") == 0 || strcmp(word, "data") == 0) && disc->count < kMaxTracks) {
            disc->isData[disc->count] = word[0] == 'd';
            disc->start[disc->count++] = number;
        } else if (strcmp(word, "lead-out") == 0 && disc->count > 0) {
            disc->start[disc->count] = number;
            disc->state = kDiscOk;
            return;
        } else {
            return;
        }
    }
}

/* The Windows program's name, as Wine shows it in the process's command line. */
static void ProgramName(char* name, size_t size)
{
    char line[512] = "";
    const int file = open("/proc/self/cmdline", O_RDONLY);
    if (file >= 0) {
        const ssize_t n = read(file, line, sizeof line - 1);
        line[n > 0 ? n : 0] = '\0';
        close(file);
    }
    const char* base = line;
    for (const char* p = line; *p; ++p)
        if (*p == '/' || *p == '\\')
            base = p + 1;
    snprintf(name, size, "%s", base);
}

static void Log(const char* path, const char* request)
{
    char logPath[4096 + 8];
    snprintf(logPath, sizeof logPath, "%s.log", path);
    char program[256];
    ProgramName(program, sizeof program);
    char line[512];
    const int length = snprintf(line, sizeof line, "%d %s %s\n", (int)getpid(), program, request);
    /* One write of one line: lines of several processes never interleave. */
    const int log = open(logPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (log >= 0) {
        if (write(log, line, (size_t)length) < 0) {
            /* A lost log line shows as a wrong count in the test that reads it. */
        }
        close(log);
    }
}

static int SpinningUp(const struct Disc* disc)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec < disc->readyAt.tv_sec ||
           (now.tv_sec == disc->readyAt.tv_sec && now.tv_nsec < disc->readyAt.tv_nsec);
}

/* A disc that takes its time: its delay, and its spin-up, which the Linux CD
 * driver waits out for a while. The description is read again while
 * waiting: a test that takes the delay away ends the wait. */
static void Delay(const char* path)
{
    struct timespec start, now;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        struct Disc disc;
        ReadDisc(path, &disc);
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long waited = now.tv_sec - start.tv_sec;
        if (waited >= disc.delaySeconds && (!SpinningUp(&disc) || waited >= kSpinUpWaitSeconds))
            return;
        const struct timespec step = {0, 50 * 1000 * 1000};
        nanosleep(&step, NULL);
    }
}

static int Fail(int error)
{
    errno = error;
    return -1;
}

static int DriveStatus(const struct Disc* disc)
{
    if (SpinningUp(disc))
        return CDS_DRIVE_NOT_READY;
    switch (disc->state) {
    case kDiscOk:
        return CDS_DISC_OK;
    case kTrayOpen:
        return CDS_TRAY_OPEN;
    default:
        return CDS_NO_DISC;
    }
}

static int TocHeader(const struct Disc* disc, struct cdrom_tochdr* header)
{
    if (disc->state != kDiscOk || SpinningUp(disc))
        return Fail(ENOMEDIUM);
    header->cdth_trk0 = (__u8)disc->first;
    header->cdth_trk1 = (__u8)(disc->first + disc->count - 1);
    return 0;
}

static int TocEntry(const struct Disc* disc, struct cdrom_tocentry* entry)
{
    if (disc->state != kDiscOk || SpinningUp(disc))
        return Fail(ENOMEDIUM);
    int index;
    if (entry->cdte_track == CDROM_LEADOUT)
        index = disc->count;
    else if (entry->cdte_track >= disc->first && entry->cdte_track < disc->first + disc->count)
        index = entry->cdte_track - disc->first;
    else
        return Fail(EINVAL);
    const int frame = disc->start[index];
    entry->cdte_adr = 1;
    entry->cdte_ctrl = index < disc->count && disc->isData[index] ? CDROM_DATA_TRACK : 0;
    entry->cdte_datamode = 0;
    if (entry->cdte_format == CDROM_LBA) {
        entry->cdte_addr.lba = frame - kLbaOffset;
    } else if (entry->cdte_format == CDROM_MSF) {
        entry->cdte_addr.msf.minute = (__u8)(frame / (60 * kFramesPerSecond));
        entry->cdte_addr.msf.second = (__u8)(frame / kFramesPerSecond % 60);
        entry->cdte_addr.msf.frame = (__u8)(frame % kFramesPerSecond);
    } else {
        return Fail(EINVAL);
    }
    return 0;
}

typedef int (*IoctlFunction)(int, unsigned long, ...);

static int Answer(IoctlFunction real, int fd, unsigned long request, void* argument)
{
    char path[4096];
    const int saved = errno;
    const int emulated = (request == CDROM_DRIVE_STATUS || request == CDROMREADTOCHDR ||
                          request == CDROMREADTOCENTRY) &&
                         DiscPath(fd, path, sizeof path);
    errno = saved;
    if (!emulated)
        return real(fd, request, argument);

    struct Disc disc;
    ReadDisc(path, &disc);
    switch (request) {
    case CDROM_DRIVE_STATUS:
        Log(path, "CDROM_DRIVE_STATUS");
        return DriveStatus(&disc);
    case CDROMREADTOCHDR:
        Log(path, "CDROMREADTOCHDR");
        Delay(path);
        ReadDisc(path, &disc);
        return TocHeader(&disc, argument);
    default:
        Log(path, "CDROMREADTOCENTRY");
        return TocEntry(&disc, argument);
    }
}

int ioctl(int fd, unsigned long request, ...)
{
    static IoctlFunction real;
    if (!real)
        real = (IoctlFunction)dlsym(RTLD_NEXT, "ioctl");
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    return Answer(real, fd, request, argument);
}

#if defined(__i386__)
/* 32-bit Wine is built with a 64-bit time_t, which makes its ioctl this one. */
int __ioctl_time64(int fd, unsigned long request, ...)
{
    static IoctlFunction real;
    if (!real)
        real = (IoctlFunction)dlsym(RTLD_NEXT, "__ioctl_time64");
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    return Answer(real, fd, request, argument);
}
#endif
