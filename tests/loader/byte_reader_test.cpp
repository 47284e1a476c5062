#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "loader/byte_reader.h"

namespace {

ByteReader readerOver(const std::vector<uint8_t>& bytes) {
    ByteReader reader;
    EXPECT_TRUE(reader.openBytes(bytes.data(), bytes.size()));
    return reader;
}

std::string writeTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

TEST(ByteReaderFile, MissingPathFailsAndHoldsNothing) {
    ByteReader reader;
    EXPECT_FALSE(reader.open("no/such/file.lwo"));
    EXPECT_EQ(reader.data, nullptr);
    EXPECT_EQ(reader.size, 0);
}

TEST(ByteReaderFile, EmptyFileOpensWithSizeZero) {
    ByteReader reader;
    ASSERT_TRUE(reader.open(writeTempFile("empty.bin", {}).c_str()));
    EXPECT_EQ(reader.size, 0);
    EXPECT_EQ(reader.cursor, 0);
    EXPECT_EQ(reader.readU4(), 0);  // nothing there: zeros
}

TEST(ByteReaderFile, WholeFileIsReadAndADirectoryIsRefused) {
    ByteReader reader;
    ASSERT_TRUE(reader.open(writeTempFile("four.bin", {0, 0, 1, 0x2C}).c_str()));
    EXPECT_EQ(reader.size, 4);
    EXPECT_EQ(reader.readU4(), 300);

    ByteReader other;
    EXPECT_FALSE(other.open(::testing::TempDir().c_str()));
    EXPECT_EQ(other.data, nullptr);
}

TEST(ByteReaderFile, CloseReleasesAndCanBeRepeated) {
    ByteReader reader = readerOver({1, 2, 3});
    EXPECT_TRUE(reader.close());
    EXPECT_EQ(reader.data, nullptr);
    EXPECT_EQ(reader.size, 3);  // kept across close
    EXPECT_TRUE(reader.close());
    EXPECT_EQ(reader.readU1(), 0);  // no buffer: zero bytes, no crash
}

TEST(ByteReaderReads, U2InBothByteOrders) {
    ByteReader reader = readerOver({0x12, 0x34});
    EXPECT_EQ(reader.readU2(), 0x1234);
    reader.cursor = 0;
    reader.setNativeByteOrder(true);
    EXPECT_EQ(reader.readU2(), 0x3412);
}

TEST(ByteReaderReads, U4IsSigned) {
    ByteReader reader = readerOver({0x00, 0x00, 0x01, 0x2C, 0xFF, 0xFF, 0xFF, 0xFE});
    EXPECT_EQ(reader.readU4(), 300);
    EXPECT_EQ(reader.readU4(), -2);
    EXPECT_EQ(reader.cursor, 8);
}

TEST(ByteReaderReads, F4IsIeeeSingle) {
    ByteReader reader = readerOver({0x3F, 0x80, 0x00, 0x00, 0xC0, 0x40, 0x00, 0x00});
    EXPECT_EQ(reader.readF4(), 1.0f);
    EXPECT_EQ(reader.readF4(), -3.0f);
}

TEST(ByteReaderReads, OddCursorReadsLikeEven) {
    ByteReader reader = readerOver({0xAA, 0x12, 0x34, 0x56, 0x78, 0x9A});
    reader.cursor = 1;
    EXPECT_EQ(reader.readU2(), 0x1234);
    EXPECT_EQ(reader.cursor, 3);
    reader.cursor = 1;
    EXPECT_EQ(reader.readU4(), 0x12345678);
    EXPECT_EQ(reader.cursor, 5);
    EXPECT_EQ(reader.readU1(), static_cast<char>(0x9A));
}

TEST(ByteReaderBounds, ReadsPastTheEndYieldZeroBytesAndStopAtTheEnd) {
    ByteReader reader = readerOver({0x12, 0x34, 0x56});
    reader.cursor = 1;
    EXPECT_EQ(reader.readU4(), 0x34560000);  // two real bytes, two zeros
    EXPECT_EQ(reader.cursor, 3);             // clamped to the end
    EXPECT_EQ(reader.readU2(), 0);
    EXPECT_EQ(reader.readF4(), 0.0f);
    EXPECT_EQ(reader.cursor, 3);
}

TEST(ByteReaderBounds, CursorMovesAreClampedToTheBuffer) {
    ByteReader reader = readerOver({1, 2, 3, 4});
    reader.skip(int64_t{1} << 40);
    EXPECT_EQ(reader.cursor, 4);
    reader.skip(-100);
    EXPECT_EQ(reader.cursor, 0);
    reader.seek(-1);
    EXPECT_EQ(reader.cursor, 0);
    reader.seek(2);
    EXPECT_EQ(reader.remaining(), 2);
    // A cursor written out of range by hand still cannot make a read leave the buffer.
    reader.cursor = -7;
    EXPECT_EQ(reader.readU2(), 0);
    reader.cursor = 1 << 30;
    EXPECT_EQ(reader.readU4(), 0);
}

TEST(ByteReaderBounds, MatchesAtNeedsAllFourBytesInside) {
    ByteReader reader = readerOver({'F', 'O', 'R', 'M', 'P', 'N', 'T'});
    EXPECT_TRUE(reader.matchesAt(0, "FORM"));
    EXPECT_FALSE(reader.matchesAt(4, "PNTS"));  // would reach past the end
    EXPECT_FALSE(reader.matchesAt(-1, "FORM"));
    EXPECT_EQ(reader.byteAt(7), 0);
    EXPECT_EQ(reader.byteAt(-1), 0);
}

}  // namespace
