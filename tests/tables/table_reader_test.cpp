// What the reader says the host driver sends, checked against the printer's
// command sequence, and the parsed records against the bytes they came from.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tables/built_tables.h"
#include "tables/nt_extension.h"
#include "tables/printer_table.h"
#include "tables/table_dump.h"
#include "tests/tables/table_test_util.h"

namespace {

using tables::Positions;
using tables::OptionKind;
using tables::PrinterTable;
using tabletest::Cat;
using tabletest::Esc;

const std::vector<uint8_t> kBeginDoc =
    Cat(Esc("!c2Q"), {0xFF, 0x00, 0x55, 0xAA, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80});

PrinterTable Parsed() {
  const std::vector<uint8_t> bytes = tabletest::Gpc();
  std::string error;
  std::optional<PrinterTable> table = PrinterTable::Parse(bytes.data(), bytes.size(), &error);
  EXPECT_TRUE(table.has_value()) << error;
  return std::move(*table);
}

std::vector<uint8_t> ImageControlCommand(int position) {
  return position == 1 ? Esc("!s0Q") : Esc("!s" + std::to_string(500 + 20 * (position - 1)) + "Q");
}

// The preamble the printer expects for a choice of options, built from the
// command sequence rather than from the table.
std::vector<uint8_t> ExpectedSetup(const Positions& o) {
  std::vector<uint8_t> out = kBeginDoc;
  if (o.text_quality == 2) out = Cat(out, Esc("!d6Q"));
  out = Cat(out, o.paper_quality == 1 ? Esc("!t000Q") : Esc("!t200Q"));
  out = Cat(out, o.resolution == 1 ? Esc("*t300R") : Esc("*t600R"));
  return Cat(out, ImageControlCommand(o.image_control));
}

TEST(JobCommands, DefaultJobStartsWithTheDocumentedBytes) {
  const PrinterTable table = Parsed();
  const Positions defaults;
  EXPECT_EQ(table.JobSetup(defaults), Cat(Cat(Cat(kBeginDoc, Esc("!t000Q")), Esc("*t600R")), Esc("!s0Q")));
  EXPECT_EQ(table.PageStart(defaults), Cat(Esc("!d4Q"), Esc("*b0M")));
  EXPECT_EQ(table.JobEnd(), Esc("!d0Q"));
  EXPECT_TRUE(table.PageEnd().empty());
}

TEST(JobCommands, OnInsertsItsCommandRightAfterBeginDocument) {
  const PrinterTable table = Parsed();
  Positions on;
  on.text_quality = 2;
  const std::vector<uint8_t> setup = table.JobSetup(on);
  ASSERT_GT(setup.size(), kBeginDoc.size() + 5);
  EXPECT_EQ(std::vector<uint8_t>(setup.begin() + kBeginDoc.size(), setup.begin() + kBeginDoc.size() + 5),
            Esc("!d6Q"));
  EXPECT_EQ(setup.size(), table.JobSetup(Positions()).size() + 5);
}

TEST(JobCommands, EveryOptionCombinationGivesItsCommands) {
  const PrinterTable table = Parsed();
  for (int r = 1; r <= 2; ++r) {
    for (int p = 1; p <= 2; ++p) {
      for (int t = 1; t <= 2; ++t) {
        for (int i = 1; i <= 101; ++i) {
          const Positions o{r, p, t, i};
          ASSERT_EQ(table.JobSetup(o), ExpectedSetup(o)) << r << " " << p << " " << t << " " << i;
          ASSERT_EQ(table.PageStart(o), Cat(Esc("!d4Q"), Esc("*b0M")));
        }
      }
    }
  }
}

// Each named value must choose the entry of the table's list that carries
// the printer's name for it, and the job's setup must carry its command.
TEST(JobCommands, NamedOptionsChooseTheEntriesOfTheirNames) {
  const PrinterTable table = Parsed();
  const auto name = [&](OptionKind kind, int position) {
    return table.Options(kind, tables::BuiltString).at(static_cast<size_t>(position - 1)).name;
  };
  page::JobOptions o;
  o.resolution = page::Resolution::k600;
  o.media = page::Media::kMatte;
  o.on_option = page::OnOff::kOn;
  o.image_control = 40;
  Positions p = tables::PositionsOf(o);
  EXPECT_EQ(name(OptionKind::kResolution, p.resolution), "600 x 300 DPI ");
  EXPECT_EQ(name(OptionKind::kPaperQuality, p.paper_quality), "Matte");
  EXPECT_EQ(name(OptionKind::kTextQuality, p.text_quality), "ON");
  EXPECT_EQ(name(OptionKind::kImageControl, p.image_control), "40");
  EXPECT_EQ(table.JobSetup(o), ExpectedSetup(p));
  EXPECT_EQ(table.PageRows(o), 2832);

  o = page::JobOptions();
  o.resolution = page::Resolution::k300;
  p = tables::PositionsOf(o);
  EXPECT_EQ(name(OptionKind::kResolution, p.resolution), "%d x 300 DPI ");
  EXPECT_EQ(name(OptionKind::kPaperQuality, p.paper_quality), "Regular");
  EXPECT_EQ(name(OptionKind::kTextQuality, p.text_quality), "OFF");
  EXPECT_EQ(name(OptionKind::kImageControl, p.image_control), "AUTO");
  EXPECT_EQ(table.RowStep(o), 2);
  EXPECT_EQ(table.PageRows(o), 1416);
}

TEST(JobCommands, ImageControlLengthsAroundTheFourDigitBoundary) {
  const PrinterTable table = Parsed();
  const size_t base = table.JobSetup(Positions{2, 1, 1, 1}).size() - 5;  // "AUTO" sends 5 bytes
  EXPECT_EQ(table.JobSetup(Positions{2, 1, 1, 25}).size(), base + 7);  // option 24: ESC "!s980Q"
  EXPECT_EQ(table.JobSetup(Positions{2, 1, 1, 26}).size(), base + 8);  // option 25: ESC "!s1000Q"
  EXPECT_EQ(table.JobSetup(Positions{2, 1, 1, 101}).size(), base + 8);
}

TEST(JobCommands, RowMovesAreDecimalWithoutSignOrLeadingZeros) {
  const PrinterTable table = Parsed();
  EXPECT_EQ(table.MoveToRow(0), Esc("*p0Y"));
  EXPECT_EQ(table.MoveToRow(7), Esc("*p7Y"));
  EXPECT_EQ(table.MoveToRow(2832), Esc("*p2832Y"));
  EXPECT_EQ(table.MoveToRow(2147483647), Esc("*p2147483647Y"));
  EXPECT_THROW(table.MoveToRow(-1), std::invalid_argument);
}

TEST(JobCommands, RowStepFollowsTheResolution) {
  const PrinterTable table = Parsed();
  EXPECT_EQ(table.RowStep(Positions{1, 1, 1, 1}), 2);
  EXPECT_EQ(table.RowStep(Positions{2, 1, 1, 1}), 1);
}

TEST(JobOptionsCheck, AModelWithoutResolutionsTakesNoJob) {
  // Without a resolution no row has a place: the options are refused up
  // front instead of failing later in RowStep or in the readable dump.
  std::vector<uint8_t> bytes = tabletest::Gpc();
  tabletest::SetWord(&bytes, 0xD4 + 42 + 2 * gpc::MD_OI_RESOLUTION, 0);  // no resolution list
  tabletest::SetWord(&bytes, 0x5E0 + 0x04 + 2 * gpc::MD_OI_RESOLUTION, 0);  // and no default
  std::string error;
  std::optional<PrinterTable> table = PrinterTable::Parse(bytes.data(), bytes.size(), &error);
  ASSERT_TRUE(table) << error;
  EXPECT_FALSE(table->CheckOptions(table->DefaultPositions(), &error));
  EXPECT_NE(error.find("no resolution"), std::string::npos) << error;
  EXPECT_NO_THROW((void)tables::DescribeTables(*table, nullptr, {}));
}

TEST(JobOptionsCheck, DefaultsComeFromTheTable) {
  const Positions d = Parsed().DefaultPositions();
  EXPECT_EQ(d.resolution, 2);
  EXPECT_EQ(d.paper_quality, 1);
  EXPECT_EQ(d.text_quality, 1);
  EXPECT_EQ(d.image_control, 1);
}

TEST(JobOptionsCheck, ChoicesOutsideTheListsAreRefusedWithAMessage) {
  const PrinterTable table = Parsed();
  const Positions bad[] = {{0, 1, 1, 1}, {3, 1, 1, 1}, {2, 0, 1, 1}, {2, 3, 1, 1},
                            {2, 1, -1, 1}, {2, 1, 3, 1}, {2, 1, 1, 0}, {2, 1, 1, 102}};
  for (const Positions& o : bad) {
    std::string error;
    EXPECT_FALSE(table.CheckOptions(o, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_THROW(table.JobSetup(o), std::invalid_argument);
    EXPECT_THROW(table.PageStart(o), std::invalid_argument);
    EXPECT_THROW(table.RowStep(o), std::invalid_argument);
  }
  std::string error;
  EXPECT_FALSE(table.CheckOptions(Positions{2, 1, 1, 102}, &error));
  EXPECT_NE(error.find("image control 102"), std::string::npos) << error;
  EXPECT_NE(error.find("1 to 101"), std::string::npos) << error;
  EXPECT_TRUE(table.CheckOptions(Positions{1, 2, 2, 101}, &error));
}

TEST(TableRoundTrip, OptionsReadBackNamesAndCommands) {
  const PrinterTable table = Parsed();
  const tables::StringLookup strings = [](int id) { return tables::BuiltString(id); };
  auto names = [&](OptionKind kind) {
    std::vector<std::string> out;
    for (const tables::OptionChoice& c : table.Options(kind, strings)) out.push_back(c.name);
    return out;
  };
  EXPECT_EQ(names(OptionKind::kResolution), (std::vector<std::string>{"%d x 300 DPI ", "600 x 300 DPI "}));
  EXPECT_EQ(names(OptionKind::kPaperSize), (std::vector<std::string>{"CD"}));
  EXPECT_EQ(names(OptionKind::kPaperQuality), (std::vector<std::string>{"Regular", "Matte"}));
  EXPECT_EQ(names(OptionKind::kPaperSource), (std::vector<std::string>{"CD Tray"}));
  EXPECT_EQ(names(OptionKind::kTextQuality), (std::vector<std::string>{"OFF", "ON"}));

  const auto sizes = table.Options(OptionKind::kPaperSize, strings);
  EXPECT_TRUE(sizes.at(0).command.empty()) << "choosing \"CD\" sends nothing";
  EXPECT_EQ(table.Options(OptionKind::kPaperSource).at(0).command, Esc("&l0H"));
  EXPECT_TRUE(table.Options(OptionKind::kTextQuality).at(0).command.empty());

  const auto image = table.Options(OptionKind::kImageControl, strings);
  ASSERT_EQ(image.size(), 101u);
  EXPECT_EQ(image[0].name, "AUTO");
  for (int k = 1; k <= 101; ++k) {
    EXPECT_EQ(image[k - 1].position, k);
    EXPECT_EQ(image[k - 1].record, k);
    EXPECT_EQ(image[k - 1].string_id, 264 + k);
    EXPECT_EQ(image[k - 1].command, ImageControlCommand(k));
    if (k > 1) {
      EXPECT_EQ(image[k - 1].name, std::to_string(k - 1));
    }
  }
}

TEST(TableRoundTrip, ParsedRecordsHoldTheWrittenValues) {
  const PrinterTable table = Parsed();
  const gpc::ModelData& m = table.model();
  EXPECT_EQ(table.header().ptMaster.x, 300);
  EXPECT_EQ(table.header().ptMaster.y, 600);
  EXPECT_EQ(m.sIDS, 1);
  EXPECT_EQ(m.fGeneral, gpc::MD_SERIAL | 0x0020 | gpc::MD_USE_CURSOR_ORIG | gpc::MD_MARGINS);
  EXPECT_EQ(m.ptMin.x, 1416);
  EXPECT_EQ(m.ptMin.y, 2832);
  ASSERT_EQ(table.resolutions().size(), 2u);
  for (const gpc::Resolution& r : table.resolutions()) {
    EXPECT_EQ(r.fBlockOut & gpc::RES_BO_OEMGRXFILTER, gpc::RES_BO_OEMGRXFILTER) << "rows must reach the filter";
    EXPECT_EQ(r.fDump, gpc::RES_DM_GDI | gpc::RES_DM_LEFT_BOUND | gpc::RES_DM_COLOR);
    EXPECT_EQ(r.ptTextScale.x, 1);
  }
  EXPECT_EQ(table.paper_sizes().at(0).ptSize.x, 1536);
  EXPECT_EQ(table.paper_sizes().at(0).ptSize.y, 2832);
  EXPECT_EQ(table.paper_sizes().at(0).ptCursorOrig.x, 23);
  EXPECT_EQ(table.dev_colors().at(0).sPlanes, 3);
  EXPECT_EQ(table.dev_colors().at(0).rgbOrder, (std::array<uint8_t, 4>{4, 5, 6, 0}));
  EXPECT_EQ(table.PlaneCommands(), (std::vector<uint16_t>{gpc::NOOCD, gpc::NOOCD, gpc::NOOCD}));
  EXPECT_EQ(table.compress_modes().at(0).iMode, gpc::CMP_ID_RLE);
  EXPECT_EQ(table.Command(table.compress_modes().at(0).rgocd[gpc::CMP_OCD_BEGIN])->bytes, Esc("*b1M"));
  EXPECT_EQ(table.DefaultList(), (std::vector<uint16_t>{0, 0, 2, 1, 1, 1, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(table.OrderList(), (std::vector<uint16_t>{1, 6, 13, 10, 15, 8, 12, 16, 11}));
}

// Storing every parsed record again must give back the bytes it was read
// from: nothing is lost or moved between the file and the parsed fields.
template <class Record>
void ExpectRecordsStoreBack(const PrinterTable& table, const std::vector<Record>& records) {
  const gpc::HeaderEntry& entry = table.header().rghe[Record::kHeaderSlot];
  ASSERT_EQ(static_cast<size_t>(entry.sCount), records.size()) << Record::kName;
  for (size_t i = 0; i < records.size(); ++i) {
    std::vector<uint8_t> stored(Record::kSize);
    gpc::StoreRecord(records[i], stored.data());
    const auto from = table.bytes().begin() + entry.sOffset + i * Record::kSize;
    EXPECT_EQ(stored, std::vector<uint8_t>(from, from + Record::kSize)) << Record::kName << " " << i + 1;
  }
}

TEST(TableRoundTrip, EveryRecordStoresBackToItsBytes) {
  const PrinterTable table = Parsed();
  std::vector<uint8_t> header(gpc::DataHeader::kSize);
  gpc::StoreRecord(table.header(), header.data());
  EXPECT_EQ(header, std::vector<uint8_t>(table.bytes().begin(), table.bytes().begin() + gpc::DataHeader::kSize));
  ExpectRecordsStoreBack(table, table.models());
  ExpectRecordsStoreBack(table, table.resolutions());
  ExpectRecordsStoreBack(table, table.paper_sizes());
  ExpectRecordsStoreBack(table, table.paper_qualities());
  ExpectRecordsStoreBack(table, table.paper_sources());
  ExpectRecordsStoreBack(table, table.text_qualities());
  ExpectRecordsStoreBack(table, table.compress_modes());
  ExpectRecordsStoreBack(table, table.page_controls());
  ExpectRecordsStoreBack(table, table.cursor_moves());
  ExpectRecordsStoreBack(table, table.dev_colors());
  ExpectRecordsStoreBack(table, table.image_controls());
}

TEST(TableRoundTrip, AllDescriptorsAreReachedAndEven) {
  const PrinterTable table = Parsed();
  EXPECT_EQ(table.commands().size(), 113u);
  for (const auto& [offset, cd] : table.commands()) {
    EXPECT_EQ(offset % 2, 0) << offset;
    EXPECT_EQ(cd.offset, offset);
  }
}

TEST(TableDump, ShowsRecordsOptionsAndCommands) {
  const std::string dump = tables::DescribeBuiltTables();
  for (const char* expected : {"MODELDATA 1 at 0x00D4", "IMAGECONTROL 101 at 0x05D4", "sIDS", "\"Quillory2\"",
                               "ESC \"*t600R\"", "\"Matte\"", "ESC \"!s2500Q\"", "PC_ORD_BEGINPAGE",
                               "ESC \"!c2Q\" FF 00 55 AA 01 02 04 08 10 20 40 80", "ESC \"*p100Y\"",
                               "MagentaInYellowDye", "ulHTPatternSize"}) {
    EXPECT_NE(dump.find(expected), std::string::npos) << expected;
  }
}

TEST(TableDump, CommandTextSpellsEscapesAndBytes) {
  EXPECT_EQ(tables::CommandText(Esc("*t600R")), "ESC \"*t600R\"");
  EXPECT_EQ(tables::CommandText({0x41, 0x42, 0x22, 0x00}), "\"AB\" 22 00");
  EXPECT_EQ(tables::CommandText({0xFF, 0x55, 0xAA}), "FF 55 AA");
  EXPECT_EQ(tables::CommandText({}), "");
}

}  // namespace
