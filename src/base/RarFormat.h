// The block format of RAR archives, versions 1.5 to 4, as far as the archive reader and the
// archive writer use it. Every block starts with a CRC (16 bits), its type (8), its flags (16)
// and its header size (16, everything up to its data); all values are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace vesk::rar {

// The marker block that opens every archive.
inline constexpr std::uint8_t kSignature[] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

// Block types.
inline constexpr std::uint8_t kMainBlock = 0x73;
inline constexpr std::uint8_t kFileBlock = 0x74;
inline constexpr std::uint8_t kEndBlock = 0x7B;

// Where the fields common to every block sit.
inline constexpr std::size_t kCrcAt = 0;
inline constexpr std::size_t kTypeAt = 2;
inline constexpr std::size_t kFlagsAt = 3;
inline constexpr std::size_t kHeaderSizeAt = 5;

// Header sizes: the main and end blocks as written; a file header without its name and
// optional fields, and with the high halves of its sizes.
inline constexpr std::size_t kMainHeaderSize = 13;
inline constexpr std::size_t kEndHeaderSize = 7;
inline constexpr std::size_t kFileHeaderSize = 32;
inline constexpr std::size_t kLargeFileHeaderSize = 40;

// Where a file header's own fields sit.
inline constexpr std::size_t kPackSizeAt = 7;
inline constexpr std::size_t kUnpackSizeAt = 11;
inline constexpr std::size_t kHostAt = 15;
inline constexpr std::size_t kFileCrcAt = 16;
inline constexpr std::size_t kTimeAt = 20;
inline constexpr std::size_t kVersionAt = 24;
inline constexpr std::size_t kMethodAt = 25;
inline constexpr std::size_t kNameSizeAt = 26;
inline constexpr std::size_t kAttributesAt = 28;
inline constexpr std::size_t kNameAt = 32;
inline constexpr std::size_t kHighPackSizeAt = 32;  // with kLargeSizes, before the name
inline constexpr std::size_t kHighUnpackSizeAt = 36;

// Flags of any block.
inline constexpr std::uint16_t kSkipIfUnknown = 0x4000;  // RAR sets it on the end block
inline constexpr std::uint16_t kLongBlock = 0x8000;      // a data size follows the header

// Flags of a file header.
inline constexpr std::uint16_t kSplitBefore = 0x0001;
inline constexpr std::uint16_t kSplitAfter = 0x0002;
inline constexpr std::uint16_t kEncrypted = 0x0004;
inline constexpr std::uint16_t kFolderFlags = 0x00E0;  // the dictionary bits all set mean a folder
inline constexpr std::uint16_t kLargeSizes = 0x0100;

// The system that wrote a member: Win32 tells extractors that '\' separates folders.
inline constexpr std::uint8_t kHostWin32 = 2;
// The RAR version needed to extract a member, times ten.
inline constexpr std::uint8_t kVersion20 = 20;

// Compression methods: stored, then fastest (0x31) to best.
inline constexpr std::uint8_t kStored = 0x30;
inline constexpr std::uint8_t kBestMethod = 0x35;

// DOS file attributes.
inline constexpr std::uint32_t kFolderAttribute = 0x10;
inline constexpr std::uint32_t kArchiveAttribute = 0x20;

// The largest member the 32-bit size fields hold; larger ones need kLargeSizes.
inline constexpr std::uint64_t kLargestMember = std::numeric_limits<std::uint32_t>::max();

}  // namespace vesk::rar
