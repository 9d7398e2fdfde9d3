// The piece arithmetic behind the dialog, as a table: span, method, and the pieces.
#include <gtest/gtest.h>

#include <vector>

#include "workflow/SegmentList.h"

namespace {

struct Case {
    const char* what;
    std::int64_t start, end;
    bool byCount;
    std::int64_t n;  // the count, or the piece length
    std::vector<workflow::Piece> pieces;
};

}  // namespace

TEST(EqualPieces, Table) {
    // clang-format off
    const Case cases[] = {
        {"count, remainder to the last", 0, 10000, true, 3, {{0, 3333}, {3333, 6666}, {6666, 10000}}},
        {"count on an offset span", 10000, 20000, true, 2, {{10000, 15000}, {15000, 20000}}},
        {"count 1", 500, 900, true, 1, {{500, 900}}},
        {"count equal to the ms", 0, 3, true, 3, {{0, 1}, {1, 2}, {2, 3}}},
        {"count above the ms gives no empty piece", 100, 105, true, 20,
         {{100, 101}, {101, 102}, {102, 103}, {103, 104}, {104, 105}}},
        {"count on an empty span", 100, 100, true, 3, {}},
        {"count on a reversed span", 200, 100, true, 3, {}},
        {"count 0", 0, 1000, true, 0, {}},
        {"length with a remainder", 0, 10500, false, 3000, {{0, 3000}, {3000, 6000}, {6000, 9000}, {9000, 10500}}},
        {"length dividing the span", 0, 9000, false, 3000, {{0, 3000}, {3000, 6000}, {6000, 9000}}},
        {"length equal to the span", 10000, 20000, false, 10000, {{10000, 20000}}},
        {"length beyond the span", 10000, 20000, false, 15000, {{10000, 20000}}},
        {"length 0", 0, 9000, false, 0, {}},
        {"length on an empty span", 50, 50, false, 10, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        const std::vector<workflow::Piece> got =
            c.byCount ? workflow::PiecesByCount(c.start, c.end, static_cast<int>(c.n))
                      : workflow::PiecesByLength(c.start, c.end, c.n);
        ASSERT_EQ(got.size(), c.pieces.size()) << c.what;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].start, c.pieces[i].start) << c.what << ", piece " << i;
            EXPECT_EQ(got[i].end, c.pieces[i].end) << c.what << ", piece " << i;
        }
    }
}
