// Draws the installer's icon, a 32 x 32 picture in the 16 standard colours,
// and writes it as a .ico file: an open carton with a green arrow pointing
// down into it. Build and run on the host:
//   g++ -std=c++20 -O2 -o /tmp/make_icon tools/icon/make_icon.cpp
//   /tmp/make_icon wizard/mivora.ico
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 32;

// The 16-colour palette, blue-green-red order as a DIB stores it.
constexpr std::uint8_t kPalette[16][3] = {
    {0, 0, 0},       {0, 0, 128},     {0, 128, 0},   {0, 128, 128}, {128, 0, 0},   {128, 0, 128},
    {128, 128, 0},   {192, 192, 192}, {128, 128, 128}, {0, 0, 255}, {0, 255, 0},   {0, 255, 255},
    {255, 0, 0},     {255, 0, 255},   {255, 255, 0}, {255, 255, 255}};
// Palette indices (red-green-blue names).
enum Colour : std::uint8_t {
  kBlack = 0, kMaroon = 1, kGreen = 2, kOlive = 3, kNavy = 4, kGrey = 8, kRed = 9, kLime = 10,
  kYellow = 11, kWhite = 15, kNone = 0xFF,
};

using Image = std::uint8_t[kSize][kSize];  // [y][x], y = 0 at the top

void fill(Image& img, int x0, int y0, int x1, int y1, std::uint8_t c) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) img[y][x] = c;
}

void outline(Image& img, int x0, int y0, int x1, int y1, std::uint8_t c) {
  fill(img, x0, y0, x1, y0, c);
  fill(img, x0, y1, x1, y1, c);
  fill(img, x0, y0, x0, y1, c);
  fill(img, x1, y0, x1, y1, c);
}

void draw(Image& img) {
  for (auto& row : img)
    for (auto& p : row) p = kNone;
  // The carton: front face, darker inside behind the open flaps.
  fill(img, 4, 16, 27, 30, kOlive);
  fill(img, 5, 17, 26, 18, kMaroon);
  outline(img, 4, 16, 27, 30, kBlack);
  // The flaps, opened out to both sides.
  for (int i = 0; i < 5; ++i) {
    fill(img, 1 + i, 12 + i, 4 + i, 12 + i, kYellow);
    fill(img, 27 - i, 12 + i, 30 - i, 12 + i, kYellow);
  }
  // A tape stripe on the front.
  fill(img, 14, 19, 17, 29, kYellow);
  // The arrow: a shaft and a head reaching into the carton.
  fill(img, 13, 1, 18, 10, kLime);
  outline(img, 12, 0, 19, 10, kGreen);
  fill(img, 13, 10, 18, 10, kLime);
  for (int i = 0; i < 8; ++i) fill(img, 8 + i, 11 + i, 23 - i, 11 + i, i == 0 ? kGreen : kLime);
  for (int i = 0; i < 8; ++i) {
    img[11 + i][8 + i] = kGreen;
    img[11 + i][23 - i] = kGreen;
  }
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

std::vector<std::uint8_t> encode(const Image& img) {
  constexpr std::uint32_t kColourBytes = kSize * kSize / 2;  // 4 bits a pixel, rows of 16 bytes
  constexpr std::uint32_t kMaskBytes = kSize * kSize / 8;    // 1 bit a pixel, rows of 4 bytes
  constexpr std::uint32_t kImageBytes = 40 + 16 * 4 + kColourBytes + kMaskBytes;
  std::vector<std::uint8_t> out;
  // Icon directory: one 32 x 32 image of 16 colours.
  put16(out, 0);
  put16(out, 1);
  put16(out, 1);
  out.insert(out.end(), {kSize, kSize, 16, 0});
  put16(out, 1);  // planes
  put16(out, 4);  // bits per pixel
  put32(out, kImageBytes);
  put32(out, 22);
  // The image: a DIB header of twice the height (colours, then mask).
  put32(out, 40);
  put32(out, kSize);
  put32(out, kSize * 2);
  put16(out, 1);
  put16(out, 4);
  put32(out, 0);
  put32(out, kColourBytes + kMaskBytes);
  put32(out, 0);
  put32(out, 0);
  put32(out, 16);
  put32(out, 0);
  for (const auto& c : kPalette) out.insert(out.end(), {c[0], c[1], c[2], 0});
  for (int y = kSize - 1; y >= 0; --y)  // bottom row first
    for (int x = 0; x < kSize; x += 2) {
      auto pixel = [&](int px) { return img[y][px] == kNone ? 0 : img[y][px]; };
      out.push_back(static_cast<std::uint8_t>(pixel(x) << 4 | pixel(x + 1)));
    }
  for (int y = kSize - 1; y >= 0; --y)
    for (int x = 0; x < kSize; x += 8) {
      std::uint8_t bits = 0;
      for (int b = 0; b < 8; ++b)
        if (img[y][x + b] == kNone) bits |= static_cast<std::uint8_t>(0x80 >> b);  // transparent
      out.push_back(bits);
    }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
    return 2;
  }
  Image img;
  draw(img);
  std::vector<std::uint8_t> bytes = encode(img);
  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
