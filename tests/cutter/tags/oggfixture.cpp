#include "oggfixture.h"

#include <algorithm>
#include <cstring>

namespace oggfixture {
namespace {

// Bit by bit, so the writer's table is checked against the definition.
std::uint32_t Crc(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= std::uint32_t(data[i]) << 24;
        for (int b = 0; b < 8; ++b) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

void Le32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}

std::uint64_t ReadLe(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

std::vector<Page> ParsePages(const Bytes& file, std::size_t offset, bool* complete) {
    std::vector<Page> pages;
    if (complete) *complete = true;
    while (offset < file.size()) {
        if (file.size() - offset < 27 || std::memcmp(&file[offset], "OggS", 4) != 0) break;
        const std::uint8_t n = file[offset + 26];
        if (file.size() - offset < 27u + n) break;
        Page p;
        p.offset = offset;
        p.flags = file[offset + 5];
        p.granule = ReadLe(&file[offset + 6], 8);
        p.serial = std::uint32_t(ReadLe(&file[offset + 14], 4));
        p.sequence = std::uint32_t(ReadLe(&file[offset + 18], 4));
        p.crc = std::uint32_t(ReadLe(&file[offset + 22], 4));
        p.lacing.assign(file.begin() + offset + 27, file.begin() + offset + 27 + n);
        std::size_t bodySize = 0;
        for (auto l : p.lacing) bodySize += l;
        if (file.size() - offset - 27 - n < bodySize) break;
        p.size = 27 + n + bodySize;
        p.body.assign(file.begin() + offset + 27 + n, file.begin() + offset + p.size);
        const std::uint8_t zeros[4] = {};
        const std::uint8_t* at = &file[offset];
        p.crcValid = Crc(at + 26, p.size - 26, Crc(zeros, 4, Crc(at, 22))) == p.crc;
        pages.push_back(std::move(p));
        offset += pages.back().size;
    }
    if (complete) *complete = offset == file.size();
    return pages;
}

std::vector<std::uint8_t> Lacing(std::size_t size) {
    std::vector<std::uint8_t> l(size / 255, 255);
    l.push_back(std::uint8_t(size % 255));
    return l;
}

Bytes MakePage(std::uint8_t flags, std::uint64_t granule, std::uint32_t sequence,
               const std::vector<std::uint8_t>& lacing, const Bytes& body, std::uint32_t serial) {
    Bytes page = {'O', 'g', 'g', 'S', 0, flags};
    for (int i = 0; i < 8; ++i) page.push_back(std::uint8_t(granule >> (8 * i)));
    Le32(page, serial);
    Le32(page, sequence);
    Le32(page, 0);
    page.push_back(std::uint8_t(lacing.size()));
    page.insert(page.end(), lacing.begin(), lacing.end());
    Append(page, body);
    const std::uint32_t crc = Crc(page.data(), page.size());
    for (int i = 0; i < 4; ++i) page[22 + i] = std::uint8_t(crc >> (8 * i));
    return page;
}

Bytes IdentificationHeader(std::uint8_t channels, std::uint32_t rate, std::int32_t nominal) {
    Bytes h = {1, 'v', 'o', 'r', 'b', 'i', 's'};
    Le32(h, 0);
    h.push_back(channels);
    Le32(h, rate);
    Le32(h, 0);
    Le32(h, std::uint32_t(nominal));
    Le32(h, 0);
    h.push_back(0xB8);
    h.push_back(1);
    return h;
}

Bytes CommentHeader(const std::string& vendor, const std::vector<std::string>& entries) {
    Bytes h = {3, 'v', 'o', 'r', 'b', 'i', 's'};
    Le32(h, std::uint32_t(vendor.size()));
    h.insert(h.end(), vendor.begin(), vendor.end());
    Le32(h, std::uint32_t(entries.size()));
    for (const auto& e : entries) {
        Le32(h, std::uint32_t(e.size()));
        h.insert(h.end(), e.begin(), e.end());
    }
    h.push_back(1);
    return h;
}

Bytes SetupHeader(std::size_t size) {
    Bytes h = {5, 'v', 'o', 'r', 'b', 'i', 's'};
    for (std::size_t i = h.size(); i < size; ++i) h.push_back(std::uint8_t(i * 7 + 3));
    return h;
}

Bytes SimpleStream(const Bytes& comment, bool setupOnSecondPage, int audioPages, std::size_t setupSize) {
    const Bytes ident = IdentificationHeader();
    const Bytes setup = SetupHeader(setupSize);
    Bytes file = MakePage(0x02, 0, 0, Lacing(ident.size()), ident);
    std::uint32_t seq = 1;
    if (setupOnSecondPage) {
        auto lacing = Lacing(comment.size());
        const auto more = Lacing(setup.size());
        lacing.insert(lacing.end(), more.begin(), more.end());
        Bytes body = comment;
        Append(body, setup);
        Append(file, MakePage(0, 0, seq++, lacing, body));
    } else {
        Append(file, MakePage(0, 0, seq++, Lacing(comment.size()), comment));
        Append(file, MakePage(0, 0, seq++, Lacing(setup.size()), setup));
    }
    for (int i = 0; i < audioPages; ++i) {
        Bytes body(700 + 37 * i);
        for (std::size_t k = 0; k < body.size(); ++k) body[k] = std::uint8_t(k * 13 + i);
        const bool last = i + 1 == audioPages;
        Append(file, MakePage(last ? 0x04 : 0, 1024u * (i + 1), seq++, Lacing(body.size()), body));
    }
    return file;
}

}  // namespace oggfixture
