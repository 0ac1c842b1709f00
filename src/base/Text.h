// Composing report texts: pieces are appended in order as a string stream prints them
// (integers in decimal, floats with the stream's default precision).
#pragma once

#include <sstream>
#include <string>

namespace vesk {

template <class... Pieces>
std::string str(const Pieces&... pieces) {
  std::ostringstream stream;
  (stream << ... << pieces);
  return stream.str();
}

// UTF-8 text as Windows-1252 bytes; characters that code page lacks become '?'.
std::string toWindows1252(std::string_view utf8);

}  // namespace vesk
