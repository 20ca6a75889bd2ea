#include "shapemod/cli.h"
#include <gtest/gtest.h>
#include <string>
#include "vxstd12u/str.h"

namespace shapemod {
namespace {

OptionParser grammar() {
    return OptionParser("features", {"MODEL"}, "Prints featurelets.")
        .option("--spacing", "S", "sample spacing")
        .option("--complex", "MIN MAX NUM MAXNUM", "complex features")
        .option("--max-points", "N", "point limit")
        .flag("--uniform", "uniform sampling");
}

std::string usageErrorOf(const Args& args) {
    try {
        grammar().parse(args);
    } catch (const UsageError& e) {
        return cfNarrow(e.detail());
    }
    return "no error";
}

TEST(OptionParser, SortsOperandsFromOptionsWhateverTheirValuesLookLike) {
    const auto p = grammar().parse({"--complex", "-1", "2", "3", "4", "m.json", "--uniform",
                                    "--spacing", "0.5", "--spacing", "-2e-1"});
    ASSERT_EQ(p.operands(), Args{"m.json"});
    EXPECT_TRUE(p.has("--uniform"));
    EXPECT_FALSE(p.has("--max-points"));
    EXPECT_EQ(p.values("--complex"), (Args{"-1", "2", "3", "4"}));
    EXPECT_DOUBLE_EQ(p.number("--complex", 0, 3), 4.0);
    EXPECT_DOUBLE_EQ(p.number("--spacing", 1), -0.2);  // the last occurrence wins
    EXPECT_EQ(p.occurrences("--spacing").size(), 2u);
    EXPECT_EQ(p.integer("--max-points", 7, 0, 10), 7);
    EXPECT_EQ(grammar().parse({"--", "-odd-name.json"}).operands(), Args{"-odd-name.json"});
}

TEST(OptionParser, HelpWinsOverEveryOtherCheck) {
    EXPECT_TRUE(grammar().parse({"--bogus", "--help"}).helpRequested());
    const std::string usage = grammar().usage();
    EXPECT_NE(usage.find("shapemod features MODEL"), std::string::npos);
    EXPECT_NE(usage.find("[--complex MIN MAX NUM MAXNUM]"), std::string::npos);
}

// Help starts in one column on every line; an option that reaches that column
// has its help on the next line rather than glued to its last value.
TEST(OptionParser, HelpStartsInItsColumnOrOnTheNextLine) {
    const std::string plain = OptionParser("c", {}, "s\n").flag("-a", "HELP").usage();
    const std::size_t column = plain.find("HELP") - plain.rfind('\n', plain.find("HELP")) - 1;
    const std::size_t room = column - 2;  // option lines are indented by two
    for (const std::size_t length : {room - 1, room, room + 1}) {
        const std::string name = "--" + std::string(length - 4, 'x');  // and " V"
        const std::string usage = OptionParser("c", {}, "s\n").option(name, "V", "HELP").usage();
        const std::string line =
            "  " + name + " V" +
            (length < room ? std::string(room - length, ' ') : "\n" + std::string(column, ' ')) +
            "HELP\n";
        EXPECT_NE(usage.find(line), std::string::npos) << length << "\n" << usage;
    }
}

TEST(OptionParser, BadCommandLinesNameTheOffendingWord) {
    EXPECT_NE(usageErrorOf({"m.json", "--spaceing", "1"}).find("unknown option --spaceing"),
              std::string::npos);
    EXPECT_NE(usageErrorOf({"m.json", "--complex", "1", "2", "3"}).find("MIN MAX NUM MAXNUM"),
              std::string::npos);
    EXPECT_NE(usageErrorOf({}).find("MODEL"), std::string::npos);
    EXPECT_NE(usageErrorOf({"a.json", "b.json"}).find("got 2"), std::string::npos);

    const auto p = grammar().parse(
        {"m", "--spacing", "1x", "--max-points", "11", "--complex", "1", "2", "nan", "4"});
    EXPECT_THROW(p.number("--spacing", 1), UsageError);
    EXPECT_THROW(p.number("--complex", 1, 2), UsageError);
    EXPECT_THROW(p.integer("--max-points", 0, 0, 10), UsageError);
    EXPECT_THROW(p.values("--uniform"), UsageError);
}

}  // namespace
}  // namespace shapemod
