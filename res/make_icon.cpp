// Builds a Windows .ico file from pixel maps written as text, so that the
// program's icon can be read and changed in a diff. Runs on the build
// machine, also when the program itself is cross-compiled, so it uses only
// standard C++17 and writes every byte itself.
//
//   make_icon OUTPUT.ico MAP.txt [MAP.txt...]
//
// A map has a legend, then the pixels:
//
//   # comment lines and blank lines are skipped before "pixels"
//   legend
//   . 000000 black        one character, its colour as RRGGBB, a name
//   R FF0000 red          at most 16 entries; their order is the palette's
//   pixels
//   ..RR..                one character a pixel, one line a row, top first
//
// Each map becomes one 16-colour image of the icon, in the order given. The
// images have no transparent pixels: their AND masks are all zero.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Colour {
    char key = 0;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

struct PixelMap {
    std::vector<Colour> legend;
    std::vector<std::string> rows;

    std::size_t width() const { return rows.empty() ? 0 : rows.front().size(); }
    std::size_t height() const { return rows.size(); }
};

class MapError : public std::runtime_error {
public:
    MapError(const std::string& file, int line, const std::string& what)
        : std::runtime_error(file + ":" + std::to_string(line) + ": " + what) {}
};

std::uint8_t hexByte(const std::string& text, std::size_t at) {
    return static_cast<std::uint8_t>(std::stoul(text.substr(at, 2), nullptr, 16));
}

bool isHexColour(const std::string& text) {
    if (text.size() != 6) {
        return false;
    }
    for (char c : text) {
        const bool digit = c >= '0' && c <= '9';
        const bool letter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit && !letter) {
            return false;
        }
    }
    return true;
}

PixelMap readMap(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error(path + ": cannot open");
    }
    PixelMap map;
    enum class Section { Header, Legend, Pixels } section = Section::Header;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back(); // a checkout with Windows line ends
        }
        if (section != Section::Pixels && (line.empty() || line[0] == '#')) {
            continue;
        }
        if (line == "legend" && section == Section::Header) {
            section = Section::Legend;
            continue;
        }
        if (line == "pixels" && section == Section::Legend) {
            section = Section::Pixels;
            continue;
        }
        if (section == Section::Header) {
            throw MapError(path, number, "expected \"legend\"");
        }
        if (section == Section::Legend) {
            std::istringstream fields(line);
            std::string key;
            std::string hex;
            fields >> key >> hex;
            if (key.size() != 1 || !isHexColour(hex)) {
                throw MapError(path, number, "a legend line is: CHARACTER RRGGBB NAME");
            }
            for (const Colour& c : map.legend) {
                if (c.key == key[0]) {
                    throw MapError(path, number, "'" + key + "' is in the legend twice");
                }
            }
            if (map.legend.size() == 16) {
                throw MapError(path, number, "more than 16 colours");
            }
            map.legend.push_back(Colour{key[0], hexByte(hex, 0), hexByte(hex, 2), hexByte(hex, 4)});
            continue;
        }
        if (line.empty()) {
            continue; // a blank line at the end of the file
        }
        if (!map.rows.empty() && line.size() != map.rows.front().size()) {
            throw MapError(path, number, "row is " + std::to_string(line.size()) +
                                             " wide, the first row " +
                                             std::to_string(map.rows.front().size()));
        }
        for (char c : line) {
            bool known = false;
            for (const Colour& entry : map.legend) {
                known = known || entry.key == c;
            }
            if (!known) {
                throw MapError(path, number, std::string("'") + c + "' is not in the legend");
            }
        }
        map.rows.push_back(line);
    }
    if (section != Section::Pixels || map.rows.empty()) {
        throw MapError(path, number, "no pixels");
    }
    if (map.width() > 256 || map.height() > 256) {
        throw MapError(path, number, "an icon image is at most 256 by 256");
    }
    return map;
}

class Bytes {
public:
    void u8(unsigned v) { data_.push_back(static_cast<char>(v & 0xFF)); }
    void u16(unsigned v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void append(const Bytes& other) { data_ += other.data_; }
    std::size_t size() const { return data_.size(); }
    const std::string& data() const { return data_; }

private:
    std::string data_;
};

// Rows of a DIB are stored bottom-up and padded to whole 32-bit words.
std::size_t rowBytes(std::size_t width, std::size_t bitsPerPixel) {
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

// One image as it is stored in an .ico: a BITMAPINFOHEADER whose height
// counts the colour bitmap and the AND mask together, the palette, the
// 4-bit colour bitmap, then the 1-bit AND mask.
Bytes iconImage(const PixelMap& map) {
    const std::size_t w = map.width();
    const std::size_t h = map.height();
    const std::size_t xorRow = rowBytes(w, 4);
    const std::size_t andRow = rowBytes(w, 1);
    Bytes b;
    b.u32(40);
    b.u32(static_cast<std::uint32_t>(w));
    b.u32(static_cast<std::uint32_t>(2 * h));
    b.u16(1);  // planes
    b.u16(4);  // bits a pixel
    b.u32(0);  // BI_RGB
    b.u32(static_cast<std::uint32_t>((xorRow + andRow) * h));
    b.u32(0);
    b.u32(0);
    b.u32(0);  // all 16 palette entries are present
    b.u32(0);
    for (std::size_t i = 0; i < 16; ++i) {
        const Colour c = i < map.legend.size() ? map.legend[i] : Colour{};
        b.u8(c.blue);
        b.u8(c.green);
        b.u8(c.red);
        b.u8(0);
    }
    for (std::size_t y = h; y-- > 0;) {
        std::vector<unsigned> row(xorRow, 0);
        for (std::size_t x = 0; x < w; ++x) {
            unsigned index = 0;
            while (map.legend[index].key != map.rows[y][x]) {
                ++index;
            }
            row[x / 2] |= (x % 2 == 0) ? index << 4 : index;
        }
        for (unsigned v : row) {
            b.u8(v);
        }
    }
    for (std::size_t i = 0; i < andRow * h; ++i) {
        b.u8(0);
    }
    return b;
}

Bytes iconFile(const std::vector<PixelMap>& maps) {
    std::vector<Bytes> images;
    for (const PixelMap& m : maps) {
        images.push_back(iconImage(m));
    }
    Bytes b;
    b.u16(0);
    b.u16(1); // an icon, not a cursor
    b.u16(static_cast<unsigned>(images.size()));
    std::size_t offset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < maps.size(); ++i) {
        b.u8(static_cast<unsigned>(maps[i].width() % 256)); // 256 is stored as 0
        b.u8(static_cast<unsigned>(maps[i].height() % 256));
        b.u8(16); // colours
        b.u8(0);
        b.u16(1); // planes
        b.u16(4); // bits a pixel
        b.u32(static_cast<std::uint32_t>(images[i].size()));
        b.u32(static_cast<std::uint32_t>(offset));
        offset += images[i].size();
    }
    for (const Bytes& image : images) {
        b.append(image);
    }
    return b;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: make_icon OUTPUT.ico MAP.txt [MAP.txt...]\n";
        return 2;
    }
    const std::string output = argv[1];
    try {
        std::vector<PixelMap> maps;
        for (int i = 2; i < argc; ++i) {
            maps.push_back(readMap(argv[i]));
        }
        const Bytes icon = iconFile(maps);
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out.write(icon.data().data(), static_cast<std::streamsize>(icon.size()));
        out.close();
        if (!out) {
            throw std::runtime_error(output + ": cannot write");
        }
    } catch (const std::exception& e) {
        std::remove(output.c_str()); // no half-written icon for the next build step
        std::cerr << "make_icon: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
