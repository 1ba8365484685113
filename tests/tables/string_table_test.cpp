// The string table: the names the host driver shows, as the generated data
// holds them, as Windows stores them, and as the resource compiler reads the
// generated script.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tables/built_tables.h"
#include "tables/string_resource.h"
#include "tests/tables/table_test_util.h"

namespace {

using tables::BuiltString;

TEST(StringTable, NamesOfTheRecords) {
  EXPECT_EQ(BuiltString(1), "Quillory2");
  EXPECT_EQ(BuiltString(257), "%d x 300 DPI ");
  EXPECT_EQ(BuiltString(258), "600 x 300 DPI ");
  EXPECT_EQ(BuiltString(259), "CD");
  EXPECT_EQ(BuiltString(262), "CD Tray");
  EXPECT_EQ(BuiltString(265), "AUTO");
  EXPECT_EQ(BuiltString(266), "1");
  EXPECT_EQ(BuiltString(274), "9");
  EXPECT_EQ(BuiltString(275), "10");
  EXPECT_EQ(BuiltString(365), "100");
  EXPECT_EQ(tables::BuiltStrings().size(), 110u);
}

TEST(StringTable, EmptySlotsStayEmpty) {
  for (int id : {0, 2, 15, 16, 255, 256, 366, 367, 368}) EXPECT_EQ(BuiltString(id), "") << id;
}

TEST(StringTable, EveryIdARecordNamesExists) {
  const tables::PrinterTable& table = tables::BuiltPrinterTable();
  std::vector<int> ids = {table.model().sIDS};
  for (const auto& r : table.resolutions()) ids.push_back(r.sIDS);
  for (const auto& r : table.paper_sizes()) ids.push_back(r.sPaperSizeID);
  for (const auto& r : table.paper_qualities()) ids.push_back(r.sPaperQualID);
  for (const auto& r : table.paper_sources()) ids.push_back(r.sPaperSourceID);
  for (const auto& r : table.text_qualities()) ids.push_back(r.sID);
  for (const auto& r : table.image_controls()) ids.push_back(r.sID);
  for (int id : ids) EXPECT_FALSE(BuiltString(id).empty()) << id;
  // Every string is named by some record.
  EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), tables::BuiltStrings().size());
}

TEST(StringBlocks, BlocksPresentAndTheirSlots) {
  std::map<int, std::vector<uint8_t>> blocks;
  std::string error;
  ASSERT_TRUE(tables::EncodeStringBlocks(tables::BuiltStrings(), &blocks, &error)) << error;
  std::vector<int> present;
  for (const auto& [block, bytes] : blocks) present.push_back(block);
  EXPECT_EQ(present, (std::vector<int>{1, 17, 18, 19, 20, 21, 22, 23}));
  // Block 1: empty id 0, "Quillory2" (9 characters), 14 empty slots.
  EXPECT_EQ(blocks[1].size(), 2u * 16 + 2 * 9);
  EXPECT_EQ(blocks[1][0], 0);
  EXPECT_EQ(blocks[1][2], 9);
  EXPECT_EQ(blocks[1][4], 'Q');
  EXPECT_EQ(blocks[1][5], 0);
  // Block 17 starts with the empty id 256; block 23 ends with ids 366, 367 empty.
  EXPECT_EQ(tabletest::Word(blocks[17], 0), 0);
  EXPECT_EQ(tabletest::Word(blocks[17], 2), 13) << "\"%d x 300 DPI \" keeps its final space";
  const std::vector<uint8_t>& last = blocks[23];
  EXPECT_EQ(tabletest::Word(last, last.size() - 4), 0);
  EXPECT_EQ(tabletest::Word(last, last.size() - 2), 0);
  EXPECT_EQ(tabletest::Word(last, last.size() - 12), 3) << "id 365 holds \"100\"";

  std::map<int, std::string> decoded;
  for (const auto& [block, bytes] : blocks) {
    ASSERT_TRUE(tables::DecodeStringBlock(block, bytes.data(), bytes.size(), &decoded, &error)) << error;
  }
  std::map<int, std::string> expected;
  for (const tables::StringEntry& s : tables::BuiltStrings()) expected[s.id] = s.text;
  EXPECT_EQ(decoded, expected);
}

TEST(StringBlocks, EncoderRefusesBadEntries) {
  std::map<int, std::vector<uint8_t>> blocks;
  std::string error;
  EXPECT_FALSE(tables::EncodeStringBlocks({{5, "a"}, {5, "b"}}, &blocks, &error));
  EXPECT_NE(error.find("twice"), std::string::npos);
  EXPECT_FALSE(tables::EncodeStringBlocks({{65536, "a"}}, &blocks, &error));
  EXPECT_FALSE(tables::EncodeStringBlocks({{-1, "a"}}, &blocks, &error));
  EXPECT_FALSE(tables::EncodeStringBlocks({{3, "\xC3"}}, &blocks, &error));
  EXPECT_FALSE(tables::EncodeStringBlocks({{3, "\xC0\x80"}}, &blocks, &error)) << "overlong form";
  EXPECT_FALSE(tables::EncodeStringBlocks({{3, "\xED\xA0\x80"}}, &blocks, &error)) << "surrogate";
  EXPECT_FALSE(tables::EncodeStringBlocks({{3, std::string(65536, 'x')}}, &blocks, &error));
  EXPECT_TRUE(tables::EncodeStringBlocks({{3, std::string(65535, 'x')}}, &blocks, &error)) << error;
}

TEST(StringBlocks, DecoderRefusesShortAndOverlongBlocks) {
  std::map<int, std::vector<uint8_t>> blocks;
  std::string error;
  ASSERT_TRUE(tables::EncodeStringBlocks({{17, "caf\xC3\xA9 \xF0\x9F\x92\xBF"}}, &blocks, &error));
  const std::vector<uint8_t> block = blocks.at(2);
  std::map<int, std::string> out;
  for (size_t length = 0; length < block.size(); ++length) {
    EXPECT_FALSE(tables::DecodeStringBlock(2, block.data(), length, &out, &error)) << length;
  }
  std::vector<uint8_t> longer = block;
  longer.push_back(0);
  EXPECT_FALSE(tables::DecodeStringBlock(2, longer.data(), longer.size(), &out, &error));
  EXPECT_FALSE(tables::DecodeStringBlock(0, block.data(), block.size(), &out, &error));
  out.clear();
  ASSERT_TRUE(tables::DecodeStringBlock(2, block.data(), block.size(), &out, &error)) << error;
  EXPECT_EQ(out.at(17), "caf\xC3\xA9 \xF0\x9F\x92\xBF") << "non-ASCII text survives, surrogate pairs included";
}

TEST(ResourceScript, QuoteEscapesForTheResourceCompiler) {
  EXPECT_EQ(tables::RcQuote("%d x 300 DPI "), "\"%d x 300 DPI \"");
  EXPECT_EQ(tables::RcQuote("a\"b\\c"), "\"a\"\"b\\\\c\"");
  EXPECT_EQ(tables::RcQuote("caf\xC3\xA9\t\""), "L\"caf\\x00E9\\x0009\"\"\"");
}

// A resource file (.res) as the resource compiler writes it: a run of
// entries, each a header (data size, header size, type, name, language ...)
// and its data, both padded to 4 bytes.
struct ResEntry {
  int type = -1;  // -1 for a named type
  int name = -1;
  int language = 0;
  std::vector<uint8_t> data;
};

bool ReadResFile(const std::vector<uint8_t>& b, std::vector<ResEntry>* entries, std::string* error) {
  size_t pos = 0;
  while (pos < b.size()) {
    if (b.size() - pos < 8) return (*error = "entry header cut off"), false;
    const uint32_t data_size = tabletest::Dword(b, pos);
    const uint32_t header_size = tabletest::Dword(b, pos + 4);
    if (header_size < 16 || header_size > b.size() - pos || data_size > b.size() - pos - header_size) {
      return (*error = "entry sizes run past the file"), false;
    }
    size_t at = pos + 8;
    int ids[2] = {-1, -1};
    for (int& id : ids) {
      if (at + 2 > pos + header_size) return (*error = "type or name cut off"), false;
      if (tabletest::Word(b, at) == 0xFFFF) {
        if (at + 4 > pos + header_size) return (*error = "id cut off"), false;
        id = tabletest::Word(b, at + 2);
        at += 4;
      } else {
        while (at + 2 <= pos + header_size && tabletest::Word(b, at) != 0) at += 2;
        at += 2;
      }
    }
    at = (at + 3) & ~static_cast<size_t>(3);
    if (at + 16 > pos + header_size) return (*error = "header fields cut off"), false;
    ResEntry entry;
    entry.type = ids[0];
    entry.name = ids[1];
    entry.language = tabletest::Word(b, at + 6);
    entry.data.assign(b.begin() + pos + header_size, b.begin() + pos + header_size + data_size);
    entries->push_back(entry);
    pos = (pos + header_size + data_size + 3) & ~static_cast<size_t>(3);
  }
  return true;
}

const char* kWindres = "x86_64-w64-mingw32-windres";

bool HaveWindres() { return testsupport::RunShell(std::string(kWindres) + " --version").exit_code == 0; }

bool Compile(const std::string& rc, const std::string& res, std::vector<ResEntry>* entries, std::string* error) {
  const std::string command = std::string(kWindres) + " -J rc -O res -i '" + rc + "' -o '" + res + "'";
  const testsupport::RunResult run = testsupport::RunShell(command);
  if (run.exit_code != 0) return (*error = "the resource compiler failed: " + command + "\n" + run.err), false;
  const std::vector<uint8_t> bytes = testsupport::ReadFile(res);
  if (bytes.empty()) return (*error = "no output " + res), false;
  return ReadResFile(bytes, entries, error);
}

TEST(ResourceScript, CompilesToTheTablesAndStringBlocks) {
  if (!HaveWindres()) GTEST_SKIP() << kWindres << " is not installed; the resource script was not compiled";
  const std::string dir = testsupport::BuildDir();
  std::vector<ResEntry> entries;
  std::string error;
  const testsupport::TempDir temp;
  ASSERT_TRUE(Compile(dir + "/tables/quilry2.rc", temp.File("quilry2-test.res"), &entries, &error))
      << error;

  std::map<int, std::vector<uint8_t>> blocks;
  ASSERT_TRUE(tables::EncodeStringBlocks(tables::BuiltStrings(), &blocks, &error)) << error;
  std::map<int, std::vector<uint8_t>> compiled_blocks;
  int tables_seen = 0;
  for (const ResEntry& e : entries) {
    if (e.type == 0 && e.data.empty()) continue;  // the file's leading empty entry
    EXPECT_EQ(e.language, 0x0409) << "type " << e.type << " name " << e.name;
    if (e.type == 257 && e.name == 1) {
      EXPECT_EQ(e.data, tabletest::Gpc());
      ++tables_seen;
    } else if (e.type == 257 && e.name == 2) {
      EXPECT_EQ(e.data, tabletest::NtExt());
      ++tables_seen;
    } else if (e.type == 6) {
      compiled_blocks[e.name] = e.data;
    } else {
      ADD_FAILURE() << "unexpected resource type " << e.type << " name " << e.name;
    }
  }
  EXPECT_EQ(tables_seen, 2);
  EXPECT_EQ(compiled_blocks, blocks);
}

TEST(ResourceScript, QuotedStringsReadBackThroughTheCompiler) {
  if (!HaveWindres()) GTEST_SKIP() << kWindres << " is not installed; the resource script was not compiled";
  const std::vector<tables::StringEntry> tricky = {
      {1, "say \"hi\""}, {2, "back\\slash \\n"}, {3, "caf\xC3\xA9"}, {4, "tab\there"}, {5, "%d x 300 DPI "}};
  const testsupport::TempDir temp;
  std::string script = "LANGUAGE 9, 1\nSTRINGTABLE\nBEGIN\n";
  for (const tables::StringEntry& s : tricky) {
    script += "  " + std::to_string(s.id) + " " + tables::RcQuote(s.text) + "\n";
  }
  ASSERT_TRUE(testsupport::WriteFile(temp.File("quote-test.rc"), script + "END\n"));
  std::vector<ResEntry> entries;
  std::string error;
  ASSERT_TRUE(Compile(temp.File("quote-test.rc"), temp.File("quote-test.res"), &entries, &error)) << error;
  std::map<int, std::string> decoded;
  for (const ResEntry& e : entries) {
    if (e.type != 6) continue;
    ASSERT_TRUE(tables::DecodeStringBlock(e.name, e.data.data(), e.data.size(), &decoded, &error)) << error;
  }
  for (const tables::StringEntry& s : tricky) EXPECT_EQ(decoded[s.id], s.text) << s.id;
}

}  // namespace
