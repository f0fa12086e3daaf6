// The digest of a PE file without its signature: the file read through a
// handle, then the rule and the hash of signed_image.h, which load nothing.

#include "image_digest.h"

#include "signed_image.h"
#include "status.h"

#include <vector>

namespace {

// Larger files are no DLL of this program, and are not read into memory.
constexpr LONGLONG kLargestImage = 64LL << 20;

HRESULT ReadWholeFile(HANDLE file, std::vector<std::uint8_t>& bytes)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size))
        return LastError();
    if (size.QuadPart > kLargestImage)
        return kNotAnImage;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return LastError();
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD read = 0;
        if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr))
            return LastError();
        if (read == 0)
            return kNotAnImage;  // shorter than it said: cut short meanwhile
        done += read;
    }
    return S_OK;
}

}  // namespace

HRESULT UnsignedImageDigest(HANDLE file, Sha256Digest& digest)
{
    return Guarded([&] {
        std::vector<std::uint8_t> bytes;
        if (const HRESULT hr = ReadWholeFile(file, bytes); FAILED(hr))
            return hr;
        const std::optional<Sha256Digest> found = UnsignedDigest(bytes.data(), bytes.size());
        if (!found)
            return kNotAnImage;
        digest = *found;
        return S_OK;
    });
}
