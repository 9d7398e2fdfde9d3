// Synthetic Ogg Vorbis streams for the layouts encoders never write, and a page walker
// with its own bit-by-bit checksum to inspect what the writer produced.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace oggfixture {

using Bytes = std::vector<std::uint8_t>;

struct Page {
    std::size_t offset = 0;  // where the page starts
    std::size_t size = 0;    // header, lacing and body
    std::uint8_t flags = 0;
    std::uint64_t granule = 0;
    std::uint32_t serial = 0;
    std::uint32_t sequence = 0;
    std::uint32_t crc = 0;        // as stored
    bool crcValid = false;        // stored checksum matches the page
    std::vector<std::uint8_t> lacing;
    Bytes body;
};

// Every page from `offset` to the end; stops (and sets *complete false) at bytes that are
// not a whole page.
std::vector<Page> ParsePages(const Bytes& file, std::size_t offset = 0, bool* complete = nullptr);

// Lacing values of one packet of `size` bytes (a 0 after a multiple of 255).
std::vector<std::uint8_t> Lacing(std::size_t size);

Bytes MakePage(std::uint8_t flags, std::uint64_t granule, std::uint32_t sequence,
               const std::vector<std::uint8_t>& lacing, const Bytes& body, std::uint32_t serial = 0x1234);

Bytes IdentificationHeader(std::uint8_t channels = 2, std::uint32_t rate = 44100, std::int32_t nominal = 128000);
Bytes CommentHeader(const std::string& vendor, const std::vector<std::string>& entries);
// Stands in for a setup header: the right type byte and magic, then filler.
Bytes SetupHeader(std::size_t size);

// Page 1 the identification header, page 2 the comment header (and the setup header when
// `setupOnSecondPage`), then `audioPages` pages of filler with rising granules.
Bytes SimpleStream(const Bytes& comment, bool setupOnSecondPage = true, int audioPages = 3,
                   std::size_t setupSize = 300);

void Append(Bytes& to, const Bytes& more);

}  // namespace oggfixture
