#pragma once

#include <QChar>
#include <QString>

#include <optional>

/**
 * Number texts of the limit verdict: the limit fields `T1HI`/`T1LO` as the
 * user typed them, and the reading's value text. Both decimal marks are
 * accepted, so the verdict does not depend on the system locale.
 */
namespace LimitText {

/**
 * The number a limit or value text stands for: an optional sign, digits and
 * at most one decimal mark ("," or "."), with at least one digit. Anything
 * else ("1-2", "--", "1.2.3", "1'000", an overload text such as "-0,L")
 * gives no number.
 */
std::optional<double> toNumber(const QString& text);

/**
 * Whether a limit text takes part in the verdict at all: not empty and not
 * only a sign ("-", "+", "-+", "+-").
 */
bool isJudgeable(const QString& text);

/**
 * Key filter of `T1HI` and `T1LO`: backspace, apostrophe, "+", ",", "-",
 * ".", the digits and the backquote are accepted; every other character is
 * discarded.
 */
bool keyAccepted(QChar key);

} // namespace LimitText
