#include "run/cleaning_facts.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

// Only a record that ends with its end line counts: one cut short, or one
// written twice over, says nothing about the cleaning.
TEST(CleaningFacts, OnlyAWholeRecordCounts) {
    const std::string whole = "purged.layers=3\r\nproxies=2\r\nmissing_font=romans.shx\r\ncomplete=1\r\n";
    const auto facts = ParseCleaningFacts(whole);
    ASSERT_TRUE(facts.has_value());
    EXPECT_EQ(facts->purged.at("layers"), 3);
    EXPECT_EQ(facts->proxies, 2);
    EXPECT_EQ(facts->missingFonts, std::vector<std::string>{"romans.shx"});
    EXPECT_FALSE(ParseCleaningFacts(whole.substr(0, whole.size() - 12)));
    EXPECT_FALSE(ParseCleaningFacts(whole + "purged.blocks=1\r\n"));
    EXPECT_FALSE(ParseCleaningFacts("purged.layers=-1\r\ncomplete=1\r\n"));
    EXPECT_FALSE(ParseCleaningFacts(""));
}

TEST(CleaningFacts, JsonEscapesNames) {
    CleaningFacts facts;
    facts.purged["blocks"] = 2;
    facts.missingXrefs = {"Site \"A\"\\north"};
    EXPECT_EQ(CleaningFactsJson(facts), "{\"purged\": {\"blocks\": 2}, \"proxy_objects\": 0, "
                                        "\"missing_xrefs\": [\"Site \\\"A\\\"\\\\north\"], "
                                        "\"missing_fonts\": [], \"missing_images\": []}");
}

} // namespace
} // namespace ps
