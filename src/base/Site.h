// Where a report or an allocation was made: the source file and the line.
//
// Functions that record their caller take `Site site = std::source_location::current()`
// as their last parameter; `here()` names the current line explicitly.
#pragma once

#include <cstdint>
#include <source_location>
#include <string_view>

namespace vesk {

struct Site {
  const char* file = nullptr;  // as the compiler recorded it; null for "no location"
  std::uint32_t line = 0;

  constexpr Site() = default;
  constexpr Site(std::source_location location)  // NOLINT: implicit on purpose
      : file(location.file_name()), line(location.line()) {}
  constexpr Site(const char* fileName, std::uint32_t lineNumber)
      : file(fileName), line(lineNumber) {}

  constexpr explicit operator bool() const { return file != nullptr; }

  // The file's base name without folders or extension ("Scene" for ".../scene/Scene.cpp"),
  // so that reports read the same on every machine.
  std::string_view name() const;
};

consteval Site here(std::source_location location = std::source_location::current()) {
  return Site(location);
}

// The base name of a path without folders or extension.
std::string_view baseName(std::string_view path);

}  // namespace vesk
