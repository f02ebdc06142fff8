#pragma once
// The version API stand-in: reads a VS_VERSIONINFO block from the RT_VERSION resource of a
// PE file (PE32 or PE32+), or from the ".rsrc_version" section of an ELF file, where this
// system's programs carry theirs. A file whose block or headers do not hold together reads
// as having no version information at all.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

struct VS_FIXEDFILEINFO {
    uint32_t dwSignature;  // VS_FFI_SIGNATURE
    uint32_t dwStrucVersion;
    uint32_t dwFileVersionMS;
    uint32_t dwFileVersionLS;
    uint32_t dwProductVersionMS;
    uint32_t dwProductVersionLS;
    uint32_t dwFileFlagsMask;
    uint32_t dwFileFlags;
    uint32_t dwFileOS;
    uint32_t dwFileType;
    uint32_t dwFileSubtype;
    uint32_t dwFileDateMS;
    uint32_t dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

enum : uint32_t {
    VS_FFI_SIGNATURE = 0xFEEF04BD,
    VS_FFI_STRUCVERSION = 0x00010000,
    VS_FFI_FILEFLAGSMASK = 0x0000003F,
    VOS__WINDOWS32 = 0x00000004,
    VFT_UNKNOWN = 0,
    VFT_APP = 1,
    VFT_DLL = 2,
};

// Bytes a caller must give GetFileVersionInfoA for this file: the block plus room for its
// texts in 8-bit form. 0 when the file is missing, is no regular file, has no version
// block, or its headers or block are malformed.
uint32_t GetFileVersionInfoSizeA(const std::string& path);

// Fills buffer (size bytes, at least what GetFileVersionInfoSizeA said) with the file's
// version information. False, with the buffer untouched, when there is none or size is
// too small: a cut-off block would send VerQueryValueA past its end.
bool GetFileVersionInfoA(const std::string& path, uint32_t size, void* buffer);

// Looks up a path of keys ("\" for the VS_FIXEDFILEINFO, "\VarFileInfo\Translation",
// "\StringFileInfo\040C04E4\FileVersion"), comparing keys without regard to case. block
// must come from GetFileVersionInfoA (or VersionInfoFromImage/Block). For a text value,
// *value points to its UTF-8 form with a terminating zero and *length counts its bytes with
// that zero (0 when the block stores no text); for a binary value, *value points to its
// bytes and *length is their number. The pointers stay valid as long as the block.
bool VerQueryValueA(const void* block, const std::string& subBlock, const void** value, uint32_t* length);

// The same reading over bytes in memory, for tests and fuzzing: the buffer that
// GetFileVersionInfoA would fill for a file of these bytes, or for a bare VS_VERSIONINFO
// block; empty when there is none.
std::vector<uint8_t> VersionInfoFromImage(std::span<const uint8_t> file);
std::vector<uint8_t> VersionInfoFromBlock(std::span<const uint8_t> block);

}  // namespace platform
