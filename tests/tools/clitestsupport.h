#pragma once

// Helpers for the command-line tests: run the built program in a scratch
// folder, read files back, and a small JSON reader to check its output.

#include <sys/wait.h>

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace stelvane::clitest {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (fs::temp_directory_path() / "stelvane-cli-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("no scratch folder");
        path_ = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const fs::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

inline std::string ReadWholeFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string ShellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs stelvane-cli with the arguments in the given folder and collects its
// exit code, standard output and standard error.
inline CliResult RunProgram(const std::vector<std::string>& args, const fs::path& folder)
{
    const fs::path outFile = folder / ".cli-stdout";
    const fs::path errFile = folder / ".cli-stderr";
    std::string command = "cd " + ShellQuote(folder.string()) + " && " + ShellQuote(STELVANE_CLI);
    for (const std::string& a : args) command += " " + ShellQuote(a);
    command += " >" + ShellQuote(outFile.string()) + " 2>" + ShellQuote(errFile.string());
    const int status = std::system(command.c_str());
    CliResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadWholeFile(outFile);
    r.err = ReadWholeFile(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return r;
}

inline std::vector<std::string> SplitLines(const std::string& text, const std::string& end = "\n")
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto next = text.find(end, at);
        if (next == std::string::npos) {
            lines.push_back(text.substr(at));
            break;
        }
        lines.push_back(text.substr(at, next - at));
        at = next + end.size();
    }
    return lines;
}

// Just enough JSON to read the program's output: objects, arrays, numbers
// (kept as their text so a float can be read back exactly), strings, null.
struct Json {
    enum class Kind { Null, Number, String, Array, Object, Bool } kind = Kind::Null;
    std::string text; // the number's digits or the string's value
    bool boolean = false;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json& operator[](const std::string& key) const
    {
        auto it = fields.find(key);
        if (kind != Kind::Object || it == fields.end()) throw std::runtime_error("no field " + key);
        return it->second;
    }
    const Json& operator[](std::size_t i) const
    {
        if (kind != Kind::Array || i >= items.size()) throw std::runtime_error("no item");
        return items[i];
    }
    bool Has(const std::string& key) const { return fields.count(key) != 0; }
    float AsFloat() const
    {
        if (kind != Kind::Number) throw std::runtime_error("not a number");
        float v = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size()) throw std::runtime_error("bad number " + text);
        return v;
    }
    double AsDouble() const
    {
        if (kind != Kind::Number) throw std::runtime_error("not a number");
        double v = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size()) throw std::runtime_error("bad number " + text);
        return v;
    }
    long AsInt() const
    {
        if (kind != Kind::Number) throw std::runtime_error("not a number");
        long v = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size()) throw std::runtime_error("not whole " + text);
        return v;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : t_(text) {}

    Json ReadDocument()
    {
        Json value = ReadValue();
        SkipBlanks();
        if (at_ != t_.size()) Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& why)
    {
        throw std::runtime_error("JSON: " + why + " at " + std::to_string(at_));
    }
    void SkipBlanks()
    {
        while (at_ < t_.size() && std::isspace(static_cast<unsigned char>(t_[at_]))) ++at_;
    }
    bool Take(char c)
    {
        SkipBlanks();
        if (at_ < t_.size() && t_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    void Expect(char c)
    {
        if (!Take(c)) Fail(std::string("expected ") + c);
    }
    bool Word(const std::string& w)
    {
        if (t_.compare(at_, w.size(), w) == 0) {
            at_ += w.size();
            return true;
        }
        return false;
    }
    std::string ReadString()
    {
        Expect('"');
        std::string s;
        while (at_ < t_.size() && t_[at_] != '"') {
            char c = t_[at_++];
            if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
            if (c == '\\') {
                if (at_ >= t_.size()) Fail("dangling escape");
                const char e = t_[at_++];
                switch (e) {
                case 'n': c = '\n'; break;
                case 'r': c = '\r'; break;
                case 't': c = '\t'; break;
                case '"': case '\\': case '/': c = e; break;
                case 'u':
                    if (at_ + 4 > t_.size()) Fail("short \\u");
                    c = static_cast<char>(std::stoi(t_.substr(at_, 4), nullptr, 16));
                    at_ += 4;
                    break;
                default: Fail("unknown escape");
                }
            }
            s += c;
        }
        Expect('"');
        return s;
    }
    Json ReadValue()
    {
        SkipBlanks();
        if (at_ >= t_.size()) Fail("unexpected end");
        Json v;
        const char c = t_[at_];
        if (c == '{') {
            ++at_;
            v.kind = Json::Kind::Object;
            if (Take('}')) return v;
            do {
                SkipBlanks();
                std::string key = ReadString();
                Expect(':');
                if (v.fields.count(key)) Fail("repeated key " + key);
                v.fields[key] = ReadValue();
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            ++at_;
            v.kind = Json::Kind::Array;
            if (Take(']')) return v;
            do v.items.push_back(ReadValue());
            while (Take(','));
            Expect(']');
        } else if (c == '"') {
            v.kind = Json::Kind::String;
            v.text = ReadString();
        } else if (Word("null")) {
            v.kind = Json::Kind::Null;
        } else if (Word("true")) {
            v.kind = Json::Kind::Bool;
            v.boolean = true;
        } else if (Word("false")) {
            v.kind = Json::Kind::Bool;
        } else {
            // JSON's number grammar: -?(0|[1-9]\d*)(\.\d+)?([eE][+-]?\d+)?
            const std::size_t start = at_;
            if (t_[at_] == '-') ++at_;
            auto digits = [&] {
                const std::size_t from = at_;
                while (at_ < t_.size() && std::isdigit(static_cast<unsigned char>(t_[at_]))) ++at_;
                return at_ - from;
            };
            const std::size_t intStart = at_;
            if (digits() == 0) Fail("not a value");
            if (t_[intStart] == '0' && at_ - intStart > 1) Fail("leading zero");
            if (at_ < t_.size() && t_[at_] == '.') {
                ++at_;
                if (digits() == 0) Fail("no digits after the point");
            }
            if (at_ < t_.size() && (t_[at_] == 'e' || t_[at_] == 'E')) {
                ++at_;
                if (at_ < t_.size() && (t_[at_] == '+' || t_[at_] == '-')) ++at_;
                if (digits() == 0) Fail("no exponent digits");
            }
            v.kind = Json::Kind::Number;
            v.text = t_.substr(start, at_ - start);
        }
        return v;
    }

    const std::string& t_;
    std::size_t at_ = 0;
};

inline Json ParseJson(const std::string& text) { return JsonReader(text).ReadDocument(); }

} // namespace stelvane::clitest
