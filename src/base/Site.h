// Where a report or an allocation was made: the source file and the line.
//
// Functions that record their caller take `Site site = Site::current()` as their last
// parameter; `here()` names the current line explicitly. Both read the caller's file and line
// through the compiler's __builtin_FILE and __builtin_LINE, which GCC and Clang share (Clang 14
// with GCC's standard library has no std::source_location).
#pragma once

#include <cstdint>
#include <string_view>
#if __has_include(<source_location>)
#include <source_location>
#endif

namespace vesk {

struct Site {
  const char* file = nullptr;  // as the compiler recorded it; null for "no location"
  std::uint32_t line = 0;

  constexpr Site() = default;
#ifdef __cpp_lib_source_location
  constexpr Site(std::source_location location)  // NOLINT: implicit on purpose
      : file(location.file_name()), line(location.line()) {}
#endif
  constexpr Site(const char* fileName, std::uint32_t lineNumber)
      : file(fileName), line(lineNumber) {}

  // The caller's site as a default argument (constexpr: Clang 14 refuses consteval there).
  static constexpr Site current(const char* fileName = __builtin_FILE(),
                                std::uint32_t lineNumber = __builtin_LINE()) {
    return Site(fileName, lineNumber);
  }

  constexpr explicit operator bool() const {
    return file != nullptr;
  }

  // The file's base name without folders or extension ("Scene" for ".../scene/Scene.cpp"),
  // so that reports read the same on every machine.
  std::string_view name() const;
};

consteval Site here(const char* fileName = __builtin_FILE(),
                    std::uint32_t lineNumber = __builtin_LINE()) {
  return Site(fileName, lineNumber);
}

// The base name of a path without folders or extension.
std::string_view baseName(std::string_view path);

}  // namespace vesk
