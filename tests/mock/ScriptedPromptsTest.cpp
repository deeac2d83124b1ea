#include "mock/ScriptedPrompts.h"
#include "support/CaughtFailures.h"

#include <cctype>
#include <gmock/gmock.h>

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

struct Row {
    const char* why;
    std::function<void(ScriptedPrompts&)> script; // declared boxes
    std::function<void(ScriptedPrompts&)> shown;  // what the code under test shows
    std::vector<const char*> failures;            // one part of each expected failure
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.why;
}

class ScriptedPromptsFails : public testing::TestWithParam<Row> {};

TEST_P(ScriptedPromptsFails, EveryDeparture) {
    const Row& row = GetParam();
    const std::vector<std::string> failures = caughtFailures([&row] {
        ScriptedPrompts prompts;
        row.script(prompts);
        row.shown(prompts);
    });
    ASSERT_EQ(failures.size(), row.failures.size()) << testing::PrintToString(failures);
    for (size_t i = 0; i < failures.size(); ++i)
        EXPECT_THAT(failures[i], HasSubstr(row.failures[i]));
}

INSTANTIATE_TEST_SUITE_P(
    Departures, ScriptedPromptsFails,
    testing::Values(
        Row{"a box nobody declared",
            [](ScriptedPrompts&) {},
            [](ScriptedPrompts& p) { p.error(nullptr, QStringLiteral("Disk full")); },
            {"unexpected error: Disk full"}},
        Row{"a different text",
            [](ScriptedPrompts& p) { p.expectWarning(QStringLiteral("Device Not Found!")); },
            [](ScriptedPrompts& p) { p.warning(nullptr, QStringLiteral("Device not found")); },
            {"Device Not Found!"}},
        Row{"another kind of box with the same text",
            [](ScriptedPrompts& p) { p.expectWarning(QStringLiteral("Saved")); },
            [](ScriptedPrompts& p) { p.error(nullptr, QStringLiteral("Saved")); },
            {"warning"}},
        Row{"a declared box that never came (noticed when the fake goes)",
            [](ScriptedPrompts& p) {
                p.expectError(QStringLiteral("Error!!! Check the Ip Address"));
            },
            [](ScriptedPrompts&) {},
            {"expected error was not shown: Error!!! Check the Ip Address"}},
        Row{"the declared boxes in another order",
            [](ScriptedPrompts& p) {
                p.expectQuestion(QStringLiteral("first"), true);
                p.expectQuestion(QStringLiteral("second"), true);
            },
            [](ScriptedPrompts& p) {
                p.question(nullptr, QStringLiteral("second"));
                p.question(nullptr, QStringLiteral("first"));
            },
            {"first", "second"}},
        Row{"one box more than declared",
            [](ScriptedPrompts& p) { p.expectError(QStringLiteral("once")); },
            [](ScriptedPrompts& p) {
                p.error(nullptr, QStringLiteral("once"));
                p.error(nullptr, QStringLiteral("once"));
            },
            {"unexpected error: once"}},
        Row{"an open-file dialog nobody declared",
            [](ScriptedPrompts&) {},
            [](ScriptedPrompts& p) {
                p.openFile(nullptr, QStringLiteral("Open"), QString(), QString());
            },
            {"unexpected open-file dialog: Open"}},
        Row{"a save-file dialog where an open-file dialog was declared",
            [](ScriptedPrompts& p) { p.expectOpenFile(QStringLiteral("/tmp/in.csv")); },
            [](ScriptedPrompts& p) {
                p.saveFile(nullptr, QStringLiteral("Export"), QString(), QString());
            },
            {"open-file dialog"}}),
    [](const testing::TestParamInfo<Row>& info) {
        std::string name = info.param.why;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST(ScriptedPrompts, DeclaredBoxesPassAndGiveTheirAnswers) {
    bool yes = false;
    bool no = true;
    QString file;
    QString saved;
    const std::vector<std::string> failures = caughtFailures([&] {
        ScriptedPrompts prompts;
        prompts.expectQuestion(QStringLiteral("Overwrite?"), true);
        prompts.expectQuestion(QStringLiteral("Delete?"), false);
        prompts.expectOpenFile(QStringLiteral("/tmp/a.lng"));
        prompts.expectSaveFile(QStringLiteral("/tmp/b.csv"));
        prompts.expectError(QStringLiteral("E"));
        yes = prompts.question(nullptr, QStringLiteral("Overwrite?"));
        no = prompts.question(nullptr, QStringLiteral("Delete?"));
        file = prompts.openFile(nullptr, QStringLiteral("any caption"), QString(), QString());
        saved = prompts.saveFile(nullptr, QStringLiteral("Export"), QString(), QString());
        prompts.error(nullptr, QStringLiteral("E"));
        ASSERT_EQ(prompts.shown().size(), 5);
        EXPECT_EQ(prompts.shown()[4].text, QStringLiteral("E"));
    });
    EXPECT_THAT(failures, IsEmpty());
    EXPECT_TRUE(yes);
    EXPECT_FALSE(no);
    EXPECT_EQ(file, QStringLiteral("/tmp/a.lng"));
    EXPECT_EQ(saved, QStringLiteral("/tmp/b.csv"));
}

TEST(ScriptedPrompts, VerifyReportsEachMissingBoxOnceAndForgetsThem) {
    const std::vector<std::string> failures = caughtFailures([] {
        ScriptedPrompts prompts;
        prompts.expectError(QStringLiteral("one"));
        prompts.expectWarning(QStringLiteral("two"));
        prompts.verify();
        // Nothing is left for the destructor to report again.
    });
    EXPECT_THAT(failures, ElementsAre(HasSubstr("error was not shown: one"),
                                      HasSubstr("warning was not shown: two")));
}

} // namespace
