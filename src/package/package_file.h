// The running program's own file and the package appended to it. Every read
// of the package goes through readPackage and seekPackage.
#ifndef PACKAGE_PACKAGE_FILE_H
#define PACKAGE_PACKAGE_FILE_H

#include <windows.h>

#include <cstdint>

#include "format/package_format.h"

namespace setup {

struct PackageFile {
    HANDLE handle;              // 0 until the package is found
    std::uint32_t fileSize;     // of the program file, up to a certificate table
    std::uint32_t packageStart; // file offset of the package header
    fmt::PackageHeader header;  // as read, kept for the whole run
};

extern PackageFile packageFile;

// Finds the package in the program's own file `programPath`, reads its
// header and loads the configuration. False when the file holds no package;
// a bad header raises error code 1; configuration failures raise as
// loadSetupConfig does, extra texts as loadExtraTexts.
bool openPackage(const char* programPath);

// Opens path and scans it for the package. On success fills packageFile and
// leaves the file position at the package start; on failure closes the file
// and leaves packageFile empty.
bool locatePackage(const char* path);

// Reads exactly count bytes at the current position (through a read-ahead
// buffer: the file's own position runs ahead); any other number of bytes
// raises error code 1 carrying the system's last error number.
void readPackage(void* buffer, std::uint32_t count);

// Moves to a package-relative offset. An offset above the file size raises
// error code 1; one between the package end and the file size is accepted
// and the next read comes up short.
void seekPackage(std::uint32_t offset);

// Moves `count` bytes on from the current position, within the read-ahead
// buffer where it holds them: the walk over the stored files' names that
// decodes nothing. Bytes beyond the file's end make the next read short.
void skipPackage(std::uint32_t count);

// Closes the program file if it is open.
void closePackageFile();

}  // namespace setup

#endif
