#include "files/textfile.h"

#include <charconv>
#include <cmath>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <istream>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/numbertext.h"

namespace stelvane {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLongestField = 100;  // far beyond any number the program writes

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

constexpr std::size_t kLongestQuote = 300;  // a message shows no more of an outside text

// Writes into an existing file as it is (used for devices and pipes). A pipe
// nobody reads is refused at once rather than waited on.
bool WriteThrough(const fs::path& path, std::string_view text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    // the writes themselves may wait, as on any file
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        ::close(fd);
        return false;
    }
    std::FILE* f = ::fdopen(fd, "wb");
    if (f == nullptr) {
        ::close(fd);
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (std::ferror(f) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

// Creates a new, not yet existing file next to the target; its name begins
// with a dot so that a left-over (after a crash) does not clutter listings.
std::FILE* CreateTemporaryBeside(const fs::path& target, fs::path& tempPath)
{
    static std::mt19937_64 generator{std::random_device{}()};
    const fs::path folder = target.parent_path();
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string name =
            "." + target.filename().string() + "." + std::to_string(generator() % 1000000000u) + ".tmp";
        tempPath = folder.empty() ? fs::path(name) : folder / name;
        // "x": fail rather than reuse a file that someone else created
        std::FILE* f = std::fopen(tempPath.c_str(), "wbx");
        if (f != nullptr) return f;
        std::error_code ec;
        if (!fs::is_directory(folder.empty() ? fs::path(".") : folder, ec)) return nullptr;
    }
    return nullptr;
}

}  // namespace

bool WriteTextFileSafely(const std::string& fileName, std::string_view text)
{
    if (fileName.empty()) return false;
    std::error_code ec;
    fs::path target(fileName);

    // A link stays a link: the file it names is the one replaced.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        target = fs::weakly_canonical(target, ec);
        if (ec) return false;
    }
    if (!target.has_filename()) return false;

    const fs::file_status status = fs::status(target, ec);
    const bool exists = fs::exists(status);
    if (exists) {
        if (fs::is_directory(status)) return false;
        if (!fs::is_regular_file(status)) return WriteThrough(target, text);
        // A file the user made read-only is not replaced behind their back:
        // neither one without write permission bits (which would not stop
        // the administrator) nor one this process may not open for writing.
        if ((status.permissions() & fs::perms::owner_write) == fs::perms::none) return false;
        std::FILE* probe = std::fopen(target.c_str(), "ab");  // appending nothing changes nothing
        if (probe == nullptr) return false;
        std::fclose(probe);
    }

    fs::path tempPath;
    std::FILE* f = CreateTemporaryBeside(target, tempPath);
    if (f == nullptr) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (std::ferror(f) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    if (ok && exists) {
        fs::permissions(tempPath, status.permissions(), fs::perm_options::replace, ec);
        ok = !ec;
    }
    if (ok) {
        fs::rename(tempPath, target, ec);
        ok = !ec;
    }
    if (!ok) fs::remove(tempPath, ec);
    return ok;
}

InputFile ReadInputFile(const std::string& fileName, std::size_t maxBytes)
{
    InputFile file;
    const auto refuse = [&file](InputFault fault) {
        file.fault = fault;
        file.text.clear();
        return file;
    };
    struct stat info {};
    if (fileName.empty() || ::stat(fileName.c_str(), &info) != 0)
        return refuse(
            fileName.empty() || errno == ENOENT || errno == ENOTDIR ? InputFault::Missing : InputFault::Unreadable);
    if (!S_ISREG(info.st_mode)) return refuse(InputFault::NotRegular);
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) return refuse(InputFault::TooLarge);

    // Opened without waiting, and checked again: the name may have been
    // swapped for a pipe between the two looks.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return refuse(InputFault::Unreadable);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return refuse(InputFault::NotRegular);
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ::close(fd);
            return refuse(InputFault::Unreadable);
        }
        if (got == 0) break;
        file.text.append(buffer, static_cast<std::size_t>(got));
        if (file.text.size() > maxBytes) {  // it grew while being read
            ::close(fd);
            return refuse(InputFault::TooLarge);
        }
    }
    ::close(fd);
    return file;
}

std::string InputFaultText(InputFault fault, std::size_t maxBytes)
{
    switch (fault) {
    case InputFault::None: return {};
    case InputFault::Missing: return "there is no such file";
    case InputFault::NotRegular: return "it is not a regular file";
    case InputFault::TooLarge: return "it is larger than " + std::to_string(maxBytes >> 20) + " MiB";
    case InputFault::Unreadable: break;
    }
    return "it cannot be read";
}

std::string QuotedForMessage(std::string_view text)
{
    if (text.size() <= kLongestQuote) return std::string(text);
    return std::string(text.substr(0, kLongestQuote - 3)) + "...";
}

std::optional<double> ParseDecimalText(std::string_view text)
{
    while (!text.empty() && (IsBlank(text.front()) || text.front() == '\n')) text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\n')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);

    // Check the form ourselves: from_chars would also take "inf", "nan" and
    // hexadecimal-looking texts, none of which the program ever writes.
    std::size_t i = 0;
    const auto isDigit = [&](std::size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
    if (i < text.size() && text[i] == '-') ++i;
    int digits = 0;
    while (isDigit(i)) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (isDigit(i)) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (!isDigit(i)) return std::nullopt;
        while (isDigit(i)) ++i;
    }
    if (i != text.size()) return std::nullopt;

    double value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string SignedNumberText(double value)
{
    std::string text = GeneralNumberText(value);
    if (text.empty() || text.front() != '-') text.insert(text.begin(), ' ');
    text.push_back(' ');
    return text;
}

FieldReader::FieldReader(std::istream& in) : in_(in) {}

std::optional<std::string> FieldReader::Next()
{
    std::string field;
    for (;;) {
        const int c = in_.get();
        if (c == std::char_traits<char>::eof()) break;
        const char ch = static_cast<char>(c);
        if (ch == '\n' || ch == ',' || IsBlank(ch)) {
            if (field.empty()) continue;  // runs of delimiters make no empty fields
            return field;
        }
        field.push_back(ch);
        if (field.size() > kLongestField) return std::nullopt;
    }
    if (field.empty()) return std::nullopt;
    return field;
}

std::string WithExtension(const std::string& fileName, const char* extension)
{
    return fs::path(fileName).extension().empty() ? fileName + extension : fileName;
}

}  // namespace stelvane
