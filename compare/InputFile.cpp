#include "compare/InputFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace compare {

namespace {

std::uint64_t RegularFileSize(std::FILE* file)
{
#ifdef _WIN32
    struct _stati64 status;
    if (_fstati64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) return 0;
#else
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
#endif
    return static_cast<std::uint64_t>(status.st_size);
}

}  // namespace

InputFile::~InputFile()
{
    if (m_owned && m_file) std::fclose(m_file);
}

bool InputFile::Open(const std::string& path, std::FILE* standardInput, std::string& error)
{
    if (path == "-") {
        m_file = standardInput;
        m_label = "standard input";
#ifdef _WIN32
        // Text mode would end the file at a Ctrl+Z byte and drop CRs.
        _setmode(_fileno(standardInput), _O_BINARY);
#endif
    } else {
        m_file = std::fopen(path.c_str(), "rb");
        m_owned = true;
        m_label = path;
        if (!m_file) {
            error = "cannot open '" + path + "': " + std::strerror(errno);
            return false;
        }
    }
    m_size = RegularFileSize(m_file);
    return true;
}

}  // namespace compare
