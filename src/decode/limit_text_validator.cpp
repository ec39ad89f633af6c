#include "decode/limit_text_validator.h"

#include "decode/limit_text.h"

#include <algorithm>

LimitTextValidator::LimitTextValidator(QObject* parent)
    : QValidator(parent)
{
}

QValidator::State LimitTextValidator::validate(QString& input, int& /*pos*/) const
{
    // The field holds whatever the filter lets through; whether it is a
    // number is the verdict's business, so every filtered text is acceptable.
    return std::all_of(input.cbegin(), input.cend(), LimitText::keyAccepted) ? Acceptable : Invalid;
}
