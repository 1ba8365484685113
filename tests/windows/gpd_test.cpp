// The Unidrv printer description shipped with the plug-in, held against the
// printer description table of the NT 4.0 minidriver: both platforms must
// send the printer the same job commands for the same choices, and the
// DISCTYPE keywords must steer the plug-in's centre band as intended.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "oemdll/image_processing.h"
#include "tables/built_tables.h"
#include "tests/support/support.h"

namespace {

// One "*Key: value" entry of the description with the entries of its braces.
struct Entry {
  std::string key;
  std::string value;
  std::vector<Entry> children;

  const Entry* Find(const std::string& k, const std::string& v = "") const {
    for (const Entry& c : children) {
      if (c.key == k && (v.empty() || c.value == v)) return &c;
    }
    return nullptr;
  }
};

// Reads the subset of the description syntax the file uses: entries,
// braces, quoted values and "*%" comments. Fails the test on anything else.
bool ParseGpd(const std::string& text, Entry* root, std::string* error) {
  std::vector<Entry*> open = {root};
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (text.compare(i, 2, "*%") == 0) {
      i = text.find('\n', i);
      if (i == std::string::npos) i = text.size();
    } else if (c == '{') {
      if (open.back()->children.empty()) return *error = "brace without an entry", false;
      open.push_back(&open.back()->children.back());
      ++i;
    } else if (c == '}') {
      if (open.size() == 1) return *error = "unbalanced closing brace", false;
      open.pop_back();
      ++i;
    } else if (c == '*') {
      const size_t colon = text.find(':', i);
      const size_t eol = text.find('\n', i);
      if (colon == std::string::npos || colon > eol) return *error = "entry without colon at " + std::to_string(i), false;
      Entry e;
      e.key = text.substr(i + 1, colon - i - 1);
      e.key.erase(e.key.find_last_not_of(" \t") + 1);
      i = colon + 1;
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
      if (i < text.size() && text[i] == '"') {
        const size_t end = text.find('"', i + 1);
        if (end == std::string::npos || end > text.find('\n', i)) return *error = "unterminated string in " + e.key, false;
        e.value = text.substr(i, end - i + 1);
        i = end + 1;
      } else {
        size_t end = i;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r' && text[end] != '{' && text[end] != '}') ++end;
        e.value = text.substr(i, end - i);
        e.value.erase(e.value.find_last_not_of(" \t") + 1);
        i = end;
      }
      open.back()->children.push_back(e);
    } else {
      return *error = std::string("unexpected '") + c + "' at " + std::to_string(i), false;
    }
  }
  if (open.size() != 1) return *error = "unclosed brace", false;
  return true;
}

// A quoted command: literal characters and <hex> byte runs.
std::vector<uint8_t> CommandBytes(const std::string& quoted) {
  std::vector<uint8_t> out;
  EXPECT_GE(quoted.size(), 2u);
  for (size_t i = 1; i + 1 < quoted.size(); ++i) {
    if (quoted[i] != '<') {
      out.push_back(static_cast<uint8_t>(quoted[i]));
      continue;
    }
    const size_t end = quoted.find('>', i);
    std::string hex;
    for (size_t k = i + 1; k < end; ++k) {
      if (!std::isspace(static_cast<unsigned char>(quoted[k]))) hex.push_back(quoted[k]);
    }
    EXPECT_EQ(hex.size() % 2, 0u) << quoted;
    for (size_t k = 0; k + 1 < hex.size(); k += 2) {
      out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(k, 2), nullptr, 16)));
    }
    i = end;
  }
  return out;
}

class Gpd : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string text = testsupport::ReadText(testsupport::SourceDir() + "/oemdll/install/quillory2.gpd");
    ASSERT_FALSE(text.empty()) << "the Unidrv description is missing";
    std::string error;
    ASSERT_TRUE(ParseGpd(text, &root_, &error)) << error;
  }

  const Entry& Feature(const std::string& name) {
    const Entry* f = root_.Find("Feature", name);
    EXPECT_NE(f, nullptr) << name;
    return f ? *f : empty_;
  }

  std::vector<std::string> OptionNames(const std::string& feature) {
    std::vector<std::string> names;
    for (const Entry& c : Feature(feature).children) {
      if (c.key == "Option") names.push_back(c.value);
    }
    return names;
  }

  // The selection command of an option, with its JOB_SETUP position; none
  // for an option without a command.
  bool Selection(const std::string& feature, const std::string& option, int* order, std::vector<uint8_t>* bytes) {
    const Entry* o = Feature(feature).Find("Option", option);
    EXPECT_NE(o, nullptr) << feature << "." << option;
    const Entry* command = o ? o->Find("Command", "CmdSelect") : nullptr;
    if (!command) return false;
    const Entry* at = command->Find("Order");
    const Entry* cmd = command->Find("Cmd");
    EXPECT_TRUE(at && cmd) << feature << "." << option;
    if (!at || !cmd) return false;
    EXPECT_EQ(at->value.rfind("JOB_SETUP.", 0), 0u) << at->value;
    *order = std::stoi(at->value.substr(10));
    *bytes = CommandBytes(cmd->value);
    return true;
  }

  std::vector<uint8_t> TopCommand(const std::string& name) {
    const Entry* c = root_.Find("Command", name);
    const Entry* cmd = c ? c->Find("Cmd") : nullptr;
    return cmd ? CommandBytes(cmd->value) : std::vector<uint8_t>{};
  }

  Entry root_;
  Entry empty_;
};

TEST_F(Gpd, DiscTypeKeywordsSteerTheCentreBand) {
  EXPECT_EQ(OptionNames("DISCTYPE"), (std::vector<std::string>{"DISC_S", "DISC_D"}));
  ASSERT_NE(Feature("DISCTYPE").Find("DefaultOption"), nullptr);
  EXPECT_EQ(Feature("DISCTYPE").Find("DefaultOption")->value, "DISC_S");
  for (const std::string& keyword : OptionNames("DISCTYPE")) {
    std::vector<char> buffer(200, '\0');
    std::copy(keyword.begin(), keyword.end(), buffer.begin());
    EXPECT_EQ(oemdll::DiscTypeSkipsCentre(buffer.data(), 200), keyword == "DISC_D") << keyword;
  }
}

TEST_F(Gpd, JobSetupMatchesThePrinterTableForEveryChoice) {
  const tables::PrinterTable& table = tables::BuiltPrinterTable();
  const std::vector<uint8_t> start = TopCommand("CmdStartJob");
  ASSERT_FALSE(start.empty());
  const Entry* start_order = root_.Find("Command", "CmdStartJob")->Find("Order");
  ASSERT_NE(start_order, nullptr);
  EXPECT_EQ(start_order->value, "JOB_SETUP.1");

  const std::vector<std::string> resolutions = OptionNames("Resolution");
  const std::vector<std::string> media = OptionNames("MediaType");
  const std::vector<std::string> quality = OptionNames("TextQuality");
  const std::vector<std::string> image = OptionNames("ImageControl");
  ASSERT_EQ(resolutions.size(), 2u);
  ASSERT_EQ(media.size(), 2u);
  ASSERT_EQ(quality.size(), 2u);
  ASSERT_EQ(image.size(), 101u);
  for (int r = 1; r <= 2; ++r) {
    for (int m = 1; m <= 2; ++m) {
      for (int t = 1; t <= 2; ++t) {
        for (int k = 1; k <= 101; ++k) {
          tables::Positions options;
          options.resolution = r;
          options.paper_quality = m;
          options.text_quality = t;
          options.image_control = k;
          std::map<int, std::vector<uint8_t>> by_order = {{1, start}};
          const std::pair<std::string, std::string> chosen[] = {{"Resolution", resolutions[r - 1]},
                                                                {"MediaType", media[m - 1]},
                                                                {"TextQuality", quality[t - 1]},
                                                                {"ImageControl", image[k - 1]}};
          for (const auto& [feature, option] : chosen) {
            int order = 0;
            std::vector<uint8_t> bytes;
            if (!Selection(feature, option, &order, &bytes)) continue;
            EXPECT_TRUE(by_order.emplace(order, bytes).second) << feature << " shares JOB_SETUP." << order;
          }
          std::vector<uint8_t> gpd;
          for (const auto& [order, bytes] : by_order) gpd.insert(gpd.end(), bytes.begin(), bytes.end());
          ASSERT_EQ(gpd, table.JobSetup(options)) << "resolution " << r << " media " << m << " quality " << t
                                                  << " image control " << k;
        }
      }
    }
  }
}

TEST_F(Gpd, DefaultsMatchThePrinterTable) {
  const tables::Positions defaults = tables::BuiltPrinterTable().DefaultPositions();
  EXPECT_EQ(Feature("Resolution").Find("DefaultOption")->value, OptionNames("Resolution")[defaults.resolution - 1]);
  EXPECT_EQ(Feature("MediaType").Find("DefaultOption")->value, OptionNames("MediaType")[defaults.paper_quality - 1]);
  EXPECT_EQ(Feature("TextQuality").Find("DefaultOption")->value, OptionNames("TextQuality")[defaults.text_quality - 1]);
  EXPECT_EQ(Feature("ImageControl").Find("DefaultOption")->value,
            OptionNames("ImageControl")[defaults.image_control - 1]);
}

TEST_F(Gpd, ResolutionsStepRowsAsTheTableDoes) {
  const tables::PrinterTable& table = tables::BuiltPrinterTable();
  const std::vector<std::string> resolutions = OptionNames("Resolution");
  for (int r = 1; r <= 2; ++r) {
    const Entry* dpi = Feature("Resolution").Find("Option", resolutions[r - 1])->Find("DPI");
    ASSERT_NE(dpi, nullptr);
    tables::Positions options;
    options.resolution = r;
    // 600 rows per inch advance one vertical master unit, 300 two.
    const std::string want = table.RowStep(options) == 1 ? "PAIR(300, 600)" : "PAIR(300, 300)";
    EXPECT_EQ(dpi->value, want) << resolutions[r - 1];
  }
}

TEST_F(Gpd, PagesStartWithoutCommandsAndTheJobEndsAsInTheTable) {
  EXPECT_EQ(TopCommand("CmdEndJob"), tables::BuiltPrinterTable().JobEnd());
  // The plug-in sends the plane start itself; a page command would double it.
  EXPECT_EQ(root_.Find("Command", "CmdStartPage"), nullptr);
  EXPECT_TRUE(TopCommand("CmdFF").empty());
}

TEST_F(Gpd, ColourModesHandTheBandToThePlugin) {
  for (const auto& [option, bpp] : {std::pair<std::string, std::string>{"Mono", "1"}, {"Color", "4"}}) {
    const Entry* o = Feature("ColorMode").Find("Option", option);
    ASSERT_NE(o, nullptr) << option;
    ASSERT_NE(o->Find("DrvBPP"), nullptr);
    EXPECT_EQ(o->Find("DrvBPP")->value, bpp);
    EXPECT_NE(o->Find("IPCallbackID"), nullptr) << option << " would not reach ImageProcessing";
  }
}

}  // namespace
