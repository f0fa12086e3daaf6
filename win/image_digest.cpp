// The digest of a PE file without its signature: the file read through a
// handle, the signed parts left out, the rest hashed with SHA-256 by CryptoAPI.

#include "image_digest.h"

#include "signed_image.h"
#include "status.h"

#include <wincrypt.h>

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

// A CryptoAPI context and a hash object, let go of when they go.
struct Provider {
    ~Provider()
    {
        if (handle)
            CryptReleaseContext(handle, 0);
    }
    HCRYPTPROV handle = 0;
};

struct Hash {
    ~Hash()
    {
        if (handle)
            CryptDestroyHash(handle);
    }
    HCRYPTHASH handle = 0;
};

// SHA-256 of the parts, one after another. The AES provider has SHA-256 on
// every Windows from XP SP3 on.
HRESULT Sha256Of(const std::uint8_t* bytes, const std::vector<ByteRange>& parts, Sha256Digest& digest)
{
    Provider provider;
    if (!CryptAcquireContextW(&provider.handle, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        return LastError();
    Hash hash;
    if (!CryptCreateHash(provider.handle, CALG_SHA_256, 0, 0, &hash.handle))
        return LastError();
    for (const ByteRange& part : parts)
        if (!CryptHashData(hash.handle, bytes + part.offset, static_cast<DWORD>(part.size), 0))
            return LastError();
    DWORD length = static_cast<DWORD>(digest.size());
    if (!CryptGetHashParam(hash.handle, HP_HASHVAL, digest.data(), &length, 0))
        return LastError();
    return length == digest.size() ? S_OK : E_UNEXPECTED;
}

}  // namespace

HRESULT UnsignedImageDigest(HANDLE file, Sha256Digest& digest)
{
    return Guarded([&] {
        std::vector<std::uint8_t> bytes;
        if (const HRESULT hr = ReadWholeFile(file, bytes); FAILED(hr))
            return hr;
        const auto parts = UnsignedParts(bytes.data(), bytes.size());
        return parts ? Sha256Of(bytes.data(), *parts, digest) : kNotAnImage;
    });
}
