#include "decode/limit_text.h"
#include "decode/limit_text_validator.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(LimitText, ToNumberAcceptsEitherDecimalMark)
{
    struct Case {
        const char* text;
        std::optional<double> number;
    };
    const Case cases[] = {
        { "4000", 4000 }, { "-4000", -4000 }, { "+12", 12 }, { "3.5", 3.5 }, { "3,5", 3.5 },
        { "-0,123", -0.123 }, { ",5", 0.5 }, { "5.", 5 }, { "0012", 12 }, { "", std::nullopt },
        { "-", std::nullopt }, { ".", std::nullopt }, { "-,", std::nullopt }, { "1-2", std::nullopt },
        { "--1", std::nullopt }, { "+-1", std::nullopt }, { "1.2.3", std::nullopt },
        { "1,000.5", std::nullopt }, { "1'000", std::nullopt }, { "1`0", std::nullopt },
        { " 1", std::nullopt }, { "1e3", std::nullopt }, { "inf", std::nullopt },
        { "-0,L", std::nullopt }, // overload value text
    };
    for (const auto& c : cases)
        EXPECT_EQ(LimitText::toNumber(QLatin1String(c.text)), c.number) << '"' << c.text << '"';
}

TEST(LimitText, KeyFilter)
{
    const QString accepted = QStringLiteral("\b'+,-.0123456789`");
    for (const QChar c : accepted)
        EXPECT_TRUE(LimitText::keyAccepted(c)) << int(c.unicode());
    const QString rejected = QStringLiteral("aZe /*:;\"\t~\u00b5\u0660");
    for (const QChar c : rejected)
        EXPECT_FALSE(LimitText::keyAccepted(c)) << int(c.unicode());
}

TEST(LimitText, ValidatorFiltersTypingAndPasting)
{
    QLineEdit edit;
    edit.setValidator(new LimitTextValidator(&edit));
    QTest::keyClicks(&edit, QStringLiteral("1a2,b5'`x"));
    EXPECT_EQ(edit.text(), QStringLiteral("12,5'`"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Minus);
    EXPECT_EQ(edit.text(), QStringLiteral("-12,5'"));

    // A pasted text with a letter in it is refused as a whole.
    edit.clear();
    QApplication::clipboard()->setText(QStringLiteral("3.5V"));
    edit.paste();
    EXPECT_EQ(edit.text(), QString());
    QApplication::clipboard()->setText(QStringLiteral("-3.5"));
    edit.paste();
    EXPECT_EQ(edit.text(), QStringLiteral("-3.5"));
}

} // namespace
