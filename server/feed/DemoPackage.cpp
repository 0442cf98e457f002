#include "server/feed/DemoPackage.h"

#include <array>
#include <cstdio>
#include <numeric>

namespace scribeon::server {

namespace {

constexpr std::size_t tarBlock = 512;

void put(std::string& header, std::size_t offset, const std::string& text) {
    header.replace(offset, text.size(), text);
}

std::string octal(std::size_t value, int digits) {
    std::array<char, 24> text{};
    std::snprintf(text.data(), text.size(), "%0*zo", digits, value);
    return text.data();
}

std::string padded(std::string bytes, std::size_t multiple, char fill) {
    bytes.append((multiple - bytes.size() % multiple) % multiple, fill);
    return bytes;
}

// One regular file in a ustar archive, owned by root, dated the epoch, so
// the package is the same bytes every time and its signature too.
std::string tarFile(const std::string& name, const std::string& bytes) {
    std::string header(tarBlock, '\0');
    put(header, 0, name);
    put(header, 100, "0000644");
    put(header, 108, "0000000");
    put(header, 116, "0000000");
    put(header, 124, octal(bytes.size(), 11));
    put(header, 136, octal(0, 11));
    put(header, 148, std::string(8, ' '));
    header[156] = '0';
    put(header, 257,
        std::string("ustar\0"
                    "00",
                    8));
    const unsigned sum = std::accumulate(header.begin(), header.end(), 0U, [](unsigned s, char c) {
        return s + static_cast<unsigned char>(c);
    });
    put(header, 148, octal(sum, 6) + std::string("\0 ", 2));
    return header + padded(bytes, tarBlock, '\0');
}

std::string endOfTar() {
    return std::string(2 * tarBlock, '\0');
}

std::string arMember(const std::string& name, const std::string& bytes) {
    std::array<char, 61> header{};
    std::snprintf(header.data(), header.size(), "%-16s%-12s%-6s%-6s%-8s%-10zu`\n", name.c_str(),
                  "0", "0", "0", "100644", bytes.size());
    return std::string(header.data(), 60) + padded(bytes, 2, '\n');
}

} // namespace

std::string demoPackage(const std::string& version) {
    const std::string control = "Package: scribeon\n"
                                "Version: " +
                                version +
                                "\n"
                                "Architecture: all\n"
                                "Maintainer: Scribeon <packages@scribeon.app>\n"
                                "Description: demo release of Scribeon\n"
                                " It stands for a release package; the local service signs it "
                                "with its demo key.\n";
    // dpkg reads uncompressed members as well as compressed ones.
    return "!<arch>\n" + arMember("debian-binary", "2.0\n") +
           arMember("control.tar", tarFile("./control", control) + endOfTar()) +
           arMember("data.tar", endOfTar());
}

} // namespace scribeon::server
