#pragma once

#include <QChar>
#include <QString>

/**
 * What a decoder hands to the evaluation of the same frame, beyond the
 * reading state: the four digit texts and the sign as displayed, the decimal
 * point flags, and for mode frames the overload bit and the function code.
 */
struct DecodedDisplay {
    QString DigitA, DigitB, DigitC, DigitD; ///< "0".."9", "@" (overload L) or empty (blanked)
    QString SignText;                       ///< "-" or empty
    bool P1 = false, P2 = false, P3 = false; ///< decimal point after digit 1, 2, 3
    bool overload = false;                  ///< mode frames: the overload bit
    QChar functionCode;                     ///< mode frames: function code digit of the frame
};
