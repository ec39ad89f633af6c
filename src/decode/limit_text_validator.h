#pragma once

#include <QValidator>

/**
 * Validator for the limit fields `T1HI` and `T1LO`: a text is accepted while
 * every character passes LimitText::keyAccepted, so typed keys and pasted
 * text are filtered alike. Navigation and editing keys are unaffected.
 */
class LimitTextValidator : public QValidator {
    Q_OBJECT
public:
    explicit LimitTextValidator(QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
};
