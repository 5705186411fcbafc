#include "platform/ShellWords.h"

#include <gtest/gtest.h>

namespace {

TEST(TShellWordsTest, SplitsLikeAPosixShellWithoutExpanding)
{
    struct TCase {
        QString Text;
        QStringList Words;
    };
    const TCase cases[] = {
        {QString(), {}},
        {QStringLiteral(" \t\n "), {}},
        {QStringLiteral("  /S  /D=x\t-v\n"), {QStringLiteral("/S"), QStringLiteral("/D=x"), QStringLiteral("-v")}},
        {QStringLiteral("'a \"b\" \\c'"), {QStringLiteral("a \"b\" \\c")}},
        {QStringLiteral(R"("a \"b\" \\ \$ \` \c")"), {QStringLiteral(R"(a "b" \ $ ` \c)")}},
        {QStringLiteral(R"(two\ words \'x \\)"), {QStringLiteral("two words"), QStringLiteral("'x"), QStringLiteral("\\")}},
        {QStringLiteral(R"(pre"mid dle"'post fix'end)"), {QStringLiteral("premid dlepost fixend")}},
        {QStringLiteral(R"("" '' x)"), {QString(), QString(), QStringLiteral("x")}},
        {QStringLiteral("$HOME *.txt ~ `id` $(id) ;|&"),
         {QStringLiteral("$HOME"), QStringLiteral("*.txt"), QStringLiteral("~"), QStringLiteral("`id`"),
          QStringLiteral("$(id)"), QStringLiteral(";|&")}},
        {QStringLiteral("a\\\nb \\\n c \"d\\\ne\""), {QStringLiteral("ab"), QStringLiteral("c"), QStringLiteral("de")}},
        {QStringLiteral("ends\\"), {QStringLiteral("ends\\")}},
        {QStringLiteral("'open to the end"), {QStringLiteral("open to the end")}},
        {QStringLiteral("\"open \\\"to the end"), {QStringLiteral("open \"to the end")}},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Text.toStdString());
        EXPECT_EQ(SplitShellWords(testCase.Text), testCase.Words);
    }
}

} // namespace
