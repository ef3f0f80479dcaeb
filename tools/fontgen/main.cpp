// orrelux_fontgen: renders the program's three bitmap fonts from TrueType fonts with
// FreeType and writes, for each, the glyph strip res/gif_<id>_<name>.gif (white glyphs
// on the key colour magenta) and the glyph table res/glyphs_<id>_<name>.bin (256 entries
// of three little-endian 16-bit values: source x, source y, advance).
//
// Usage: orrelux_fontgen [--font-dir DIR] [--preview FILE.ppm] [--check] RESDIR
//   --check    compare with the files in RESDIR instead of writing them (exit 1 on a
//              difference), so that a build can tell whether the committed fonts are
//              up to date.
//   --preview  also write a sample text picture of every font (PPM, 3x enlarged).
//
// Glyphs are rendered in monochrome with full hinting: the program tints glyphs by
// AND-ing the text colour with the glyph pixel, which only gives true shades for white.
// The output depends only on the font files and this program, byte for byte.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_DRIVER_H
#include FT_MODULE_H

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gif_encoder.h"

namespace orx::tools {
namespace {

// Unicode of the Windows-1252 codes 0x80..0x9F; 0 where the code page defines nothing.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The Unicode character drawn for a Windows-1252 code, or 0 when the code gets no glyph
// (control codes, DEL and the undefined codes). Code 0 gets the font's "missing" box.
uint32_t UnicodeOf(int code) {
  if (code < 0x20 || code == 0x7F) return 0;
  if (code >= 0x80 && code < 0xA0) return kCp1252High[code - 0x80];
  return static_cast<uint32_t>(code);
}

struct FontRecipe {
  int id;                // resource identifier
  const char* name;      // file name part
  const char* file;      // TrueType file in the font folder
  int pixelSize;         // FreeType pixel size (em height)
  bool autohint;         // FreeType's own hinter instead of the font's instructions
  int glyphHeight;       // rows of every glyph
  int baseline;          // rows above the baseline (ascenders and accents)
  int fixedAdvance;      // 0 = proportional, else every glyph is this wide
  int stripWidth;        // maximal width of a strip row
};

// The program's font indices 0, 1, 2 are resources 130, 129, 131. The sizes were chosen
// by eye on 1x previews: DejaVu Sans keeps its best shapes with its own hints at 9 and
// 11 pixels; the monospaced face is cleaner through the autohinter at 10 pixels.
const FontRecipe kRecipes[] = {
    {129, "font_variable11", "DejaVuSans.ttf", 11, false, 13, 10, 0, 256},
    {130, "font_fixed10", "DejaVuSansMono.ttf", 10, true, 12, 10, 6, 192},
    {131, "font_variable9", "DejaVuSans.ttf", 9, false, 12, 9, 0, 256},
};

// A rendered glyph cell: width x height coverage values (0 or 255).
struct Cell {
  int width = 0;
  std::vector<uint8_t> ink;  // row-major, width x glyphHeight
  int clipped = 0;           // ink pixels that fell outside the cell
};

class FreeType {
 public:
  FreeType() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
    if (library_) {
      // The classic interpreter hints both directions, which keeps 1-bit glyphs crisp.
      FT_UInt version = TT_INTERPRETER_VERSION_35;
      FT_Property_Set(library_, "truetype", "interpreter-version", &version);
    }
  }
  ~FreeType() {
    if (library_) FT_Done_FreeType(library_);
  }
  FT_Library get() const { return library_; }

 private:
  FT_Library library_ = nullptr;
};

bool InkAt(const FT_Bitmap& bm, int row, int column) {
  return (bm.buffer[static_cast<ptrdiff_t>(row) * bm.pitch + (column >> 3)] & (0x80 >> (column & 7))) != 0;
}

// Renders glyph `glyphIndex` into a cell of the font's height. Proportional cells are
// the hinted advance wide, widened where ink reaches left of the origin or beyond the
// advance; fixed cells are exactly fixedAdvance wide with the ink centred when it would
// otherwise stick out.
bool RenderCell(FT_Face face, FT_UInt glyphIndex, const FontRecipe& recipe, Cell& cell) {
  const FT_Int32 flags = FT_LOAD_TARGET_MONO | (recipe.autohint ? FT_LOAD_FORCE_AUTOHINT : 0);
  if (FT_Load_Glyph(face, glyphIndex, flags) != 0) return false;
  if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0) return false;
  const FT_GlyphSlot g = face->glyph;
  const FT_Bitmap& bm = g->bitmap;
  const int inkW = static_cast<int>(bm.width), inkH = static_cast<int>(bm.rows);
  const int advance = static_cast<int>((g->advance.x + 32) >> 6);
  int left = g->bitmap_left;
  if (recipe.fixedAdvance > 0) {
    cell.width = recipe.fixedAdvance;
    if (left < 0 || left + inkW > cell.width) left = std::max(0, (cell.width - inkW) / 2);
  } else {
    const int shift = std::max(0, -left);
    left += shift;
    cell.width = std::max(advance + shift, left + inkW);
  }

  std::vector<bool> rowHasInk(static_cast<size_t>(inkH), false);
  for (int r = 0; r < inkH; ++r)
    for (int c = 0; c < inkW && !rowHasInk[r]; ++c) rowHasInk[r] = InkAt(bm, r, c);

  // Glyphs too tall for the cell (accented capitals) lose empty rows between their parts
  // above the baseline, from the top down; the body stays on the baseline.
  const int top = recipe.baseline - g->bitmap_top;  // cell row of the bitmap's first row
  std::vector<bool> dropped(static_cast<size_t>(inkH), false);
  bool inkAbove = false;
  for (int r = 0, excess = -top; r < inkH && excess > 0 && top + r < recipe.baseline; ++r) {
    if (!rowHasInk[r] && inkAbove) {
      dropped[r] = true;
      --excess;
    }
    inkAbove = inkAbove || rowHasInk[r];
  }
  std::vector<int> cellRow(static_cast<size_t>(inkH));
  int firstRow = recipe.glyphHeight, lastRow = -1;
  for (int r = inkH - 1, y = top + inkH - 1; r >= 0; --r) {
    cellRow[r] = y;
    if (dropped[r]) continue;
    if (rowHasInk[r]) {
      firstRow = std::min(firstRow, y);
      lastRow = std::max(lastRow, y);
    }
    --y;
  }
  // Glyphs reaching below the cell (underscore, bar) move up where there is room.
  const int lift = std::min(lastRow - (recipe.glyphHeight - 1), firstRow);
  if (lift > 0) {
    for (int& y : cellRow) y -= lift;
  }

  cell.ink.assign(static_cast<size_t>(cell.width) * recipe.glyphHeight, 0);
  cell.clipped = 0;
  for (int r = 0; r < inkH; ++r) {
    if (dropped[r]) continue;
    for (int c = 0; c < inkW; ++c) {
      if (!InkAt(bm, r, c)) continue;
      const int x = left + c, y = cellRow[r];
      if (x < 0 || x >= cell.width || y < 0 || y >= recipe.glyphHeight) {
        ++cell.clipped;
      } else {
        cell.ink[static_cast<size_t>(y) * cell.width + x] = 255;
      }
    }
  }
  return true;
}

struct GlyphEntry {
  int sourceX = 0, sourceY = 0, advance = 0;
};

struct RenderedFont {
  int width = 0, height = 0;
  std::vector<uint8_t> strip;  // palette indices: 0 key, 1 glyph
  std::array<GlyphEntry, 256> table{};
};

bool RenderFont(FT_Library lib, const std::string& fontDir, const FontRecipe& recipe,
                RenderedFont& out) {
  const std::string path = fontDir + "/" + recipe.file;
  FT_Face face = nullptr;
  if (FT_New_Face(lib, path.c_str(), 0, &face) != 0) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return false;
  }
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(recipe.pixelSize));

  std::array<Cell, 256> cells;
  std::array<bool, 256> present{};
  for (int code = 0; code < 256; ++code) {
    const uint32_t u = UnicodeOf(code);
    if (code != 0 && u == 0) continue;
    const FT_UInt index = code == 0 ? 0 : FT_Get_Char_Index(face, u);
    if (code != 0 && index == 0) {
      std::fprintf(stderr, "%s: no glyph for U+%04X (code %d)\n", recipe.file, u, code);
      continue;
    }
    if (!RenderCell(face, index, recipe, cells[code])) {
      std::fprintf(stderr, "%s: cannot render code %d\n", recipe.file, code);
      FT_Done_Face(face);
      return false;
    }
    if (cells[code].clipped > 0) {
      std::fprintf(stderr, "%s id %d: code %d lost %d pixels\n", recipe.file, recipe.id, code,
                   cells[code].clipped);
    }
    present[code] = true;
  }
  FT_Done_Face(face);

  // Shelf packing in code order.
  int x = 0, rows = 1, widest = 0;
  for (int code = 0; code < 256; ++code) {
    if (!present[code]) continue;
    if (x + cells[code].width > recipe.stripWidth) {
      x = 0;
      ++rows;
    }
    out.table[code] = {x, (rows - 1) * recipe.glyphHeight, cells[code].width};
    x += cells[code].width;
    widest = std::max(widest, x);
  }
  out.width = widest;
  out.height = rows * recipe.glyphHeight;
  out.strip.assign(static_cast<size_t>(out.width) * out.height, 0);
  for (int code = 0; code < 256; ++code) {
    if (!present[code]) continue;
    const Cell& c = cells[code];
    const GlyphEntry& e = out.table[code];
    for (int r = 0; r < recipe.glyphHeight; ++r)
      for (int i = 0; i < c.width; ++i)
        if (c.ink[static_cast<size_t>(r) * c.width + i])
          out.strip[static_cast<size_t>(e.sourceY + r) * out.width + e.sourceX + i] = 1;
  }
  return true;
}

std::vector<uint8_t> TableBytes(const RenderedFont& f) {
  std::vector<uint8_t> bytes;
  for (const GlyphEntry& e : f.table) {
    for (int v : {e.sourceX, e.sourceY, e.advance}) {
      bytes.push_back(static_cast<uint8_t>(v & 0xFF));
      bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
  }
  return bytes;
}

std::vector<uint8_t> StripGif(const RenderedFont& f) {
  GifPicture gif;
  gif.width = f.width;
  gif.height = f.height;
  gif.palette = {Rgb{255, 0, 255}, Rgb{255, 255, 255}};
  gif.indices = f.strip;
  return EncodeGif(gif);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Writes through a temporary file and a rename, so a failed run leaves the old file.
bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return false;
  }
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  return !ec;
}

// A sample picture of every font at the screen's width, white on blue and black on
// grey, enlarged 3x for viewing.
bool WritePreview(const std::string& path, const std::vector<RenderedFont>& fonts) {
  const char* lines[] = {
      "AB The quick brown fox jumps over the lazy dog.",
      "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789",
      "Z\xFCrich \xC9LAN \xE9lan S\xE3o Paulo K\xF8""benhavn Gda\xF1sk Stra\xDF""e",
      "48\xB0""51'N 2\xB0""21'E  12:34:56  -5.25 \x80""1 \xA3""2 \xA5""3 \xA9 \xAE",
      "# $ & * [ ] { } | \\ ^ ` ~ @ % ( ) < > \" ; \x84\x85\x86\x89\x8A\x8C\x99\x9F\xBF\xD7\xF7",
      "Sunrise 06:12  Moonset 23:40  Dist 1234 nm  Az 271\xB0",
  };
  using Pixel = std::array<uint8_t, 3>;
  const int scale = 3, margin = 4, width = 240;
  const int lineCount = static_cast<int>(std::size(lines));
  int height = margin;
  for (size_t f = 0; f < fonts.size(); ++f) height += 2 * (lineCount * kRecipes[f].glyphHeight + 2) + margin;
  std::vector<Pixel> pic(static_cast<size_t>(width) * height, Pixel{20, 40, 90});
  int y = margin;
  for (size_t f = 0; f < fonts.size(); ++f) {
    const RenderedFont& font = fonts[f];
    const int h = kRecipes[f].glyphHeight;
    for (int pass = 0; pass < 2; ++pass) {
      const Pixel ink = pass == 0 ? Pixel{255, 255, 255} : Pixel{0, 0, 0};
      if (pass == 1) {
        std::fill(pic.begin() + static_cast<ptrdiff_t>(y) * width,
                  pic.begin() + static_cast<ptrdiff_t>(y + lineCount * h + 2) * width, Pixel{210, 210, 210});
      }
      y += 1;
      for (const char* line : lines) {
        int x = 2;
        for (const char* p = line; *p; ++p) {
          const GlyphEntry& e = font.table[static_cast<uint8_t>(*p)];
          for (int r = 0; r < h; ++r)
            for (int i = 0; i < e.advance && x + i < width; ++i)
              if (font.strip[static_cast<size_t>(e.sourceY + r) * font.width + e.sourceX + i])
                pic[static_cast<size_t>(y + r) * width + x + i] = ink;
          x += e.advance;
        }
        y += h;
      }
      y += 1;
    }
    y += margin;
  }
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width * scale << " " << height * scale << "\n255\n";
  for (int r = 0; r < height * scale; ++r)
    for (int c = 0; c < width * scale; ++c)
      out.write(reinterpret_cast<const char*>(pic[static_cast<size_t>(r / scale) * width + c / scale].data()), 3);
  return static_cast<bool>(out.flush());
}

int Run(int argc, char** argv) {
  std::string fontDir = "/usr/share/fonts/truetype/dejavu";
  std::string preview, resDir;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--font-dir" && i + 1 < argc) {
      fontDir = argv[++i];
    } else if (a == "--preview" && i + 1 < argc) {
      preview = argv[++i];
    } else if (a == "--check") {
      check = true;
    } else if (!a.empty() && a[0] != '-' && resDir.empty()) {
      resDir = a;
    } else {
      std::fprintf(stderr, "usage: orrelux_fontgen [--font-dir DIR] [--preview FILE.ppm] [--check] RESDIR\n");
      return 2;
    }
  }
  if (resDir.empty()) {
    std::fprintf(stderr, "usage: orrelux_fontgen [--font-dir DIR] [--preview FILE.ppm] [--check] RESDIR\n");
    return 2;
  }
  FreeType ft;
  if (!ft.get()) {
    std::fprintf(stderr, "cannot initialise FreeType\n");
    return 1;
  }
  std::vector<RenderedFont> fonts;
  bool upToDate = true;
  for (const FontRecipe& recipe : kRecipes) {
    RenderedFont font;
    if (!RenderFont(ft.get(), fontDir, recipe, font)) return 1;
    const std::string stem = std::to_string(recipe.id) + "_" + recipe.name;
    const std::string gifPath = resDir + "/gif_" + stem + ".gif";
    const std::string tablePath = resDir + "/glyphs_" + stem + ".bin";
    const std::vector<uint8_t> gif = StripGif(font), table = TableBytes(font);
    if (check) {
      if (ReadFile(gifPath) != gif || ReadFile(tablePath) != table) {
        std::fprintf(stderr, "%s or %s is out of date\n", gifPath.c_str(), tablePath.c_str());
        upToDate = false;
      }
    } else if (!WriteFileAtomic(gifPath, gif) || !WriteFileAtomic(tablePath, table)) {
      std::fprintf(stderr, "cannot write %s\n", gifPath.c_str());
      return 1;
    }
    std::printf("font %d %s: strip %dx%d\n", recipe.id, recipe.name, font.width, font.height);
    fonts.push_back(std::move(font));
  }
  if (!preview.empty() && !WritePreview(preview, fonts)) {
    std::fprintf(stderr, "cannot write %s\n", preview.c_str());
    return 1;
  }
  return upToDate ? 0 : 1;
}

}  // namespace
}  // namespace orx::tools

int main(int argc, char** argv) { return orx::tools::Run(argc, argv); }
