#pragma once

#include <string>

class IClipboard;

// The workbook's access to the system clipboard: the private cell block (the format registered
// as "Marvilo 1.0") and plain text. The platform's clipboard carries both formats; this wrapper
// adds the rules the workbook relies on.
//
// Private block layout (little-endian; texts are the program's own 8-bit text, UTF-8):
//   source rectangle        4 x int32: left, top, right, bottom (inclusive)
//   merged count N          int32
//   merged areas            N x 4 x int32, as the merged-cells storage holds them (right and
//                           bottom exclusive), every area meeting the source rectangle, whole
//   cells                   column by column, top to bottom: int32 payload length L, L bytes
//   terminator              CR LF, then one zero byte
// Cell payload: Format u16; HorzTextAlign, VertTextAlign, WordBreak, the reserved byte,
// BrushStyle u8 each; ForegroundColor, BackgroundColor u16 each; font Name (int32 length +
// bytes); FontColor u16; font Style, Charset, Size u8 each; the edges left, top, right, bottom
// (line style u8 + colour u16 each); Flags u8; kind u8 (0 text, 1 formula, 2 number); the
// number (f64, kind 2); the formula tokens (u16 length + bytes, kind 1); the text (int32
// length + bytes; for a formula its formula text). A formula kept without tokens is written as
// text, so that kind 1 always carries its token field. Optional trailer: the cell's own format
// code (int32 length + bytes, u16 built-in index; an empty code with index 0xFFFF is none), then
// rotation, indent, reading order and last-line justification u8 each and the font height in
// twips u16 when any of them is not the plain value (or the size is not whole points).
class TcxSSClipboard {
public:
  explicit TcxSSClipboard(IClipboard& clipboard) : clipboard_(clipboard) {}

  // The private block, or empty when the clipboard holds none.
  std::string GetPrivateData() const;
  // The text; a text that does not end with CR or LF gets CR LF appended.
  std::string GetUnicodeText() const;
  // Replaces the clipboard's contents: the private block (followed by one zero byte) and the
  // text.
  void SetContents(const std::string& privateData, const std::string& text);

private:
  IClipboard& clipboard_;
};
