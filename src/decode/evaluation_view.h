#pragma once

#include "base/count_profile.h"

#include <QColor>
#include <QObject>
#include <QString>

/**
 * What the reading evaluation shows outside the LCD panel: the MAX/MIN
 * captions with their units, the judged value `T1VALUE`, the verdict `judge`
 * with its lamp `Shape1`, and the over-limit caption `oltext`. The window's
 * labels are thin views of this state.
 */
class EvaluationView : public QObject {
    Q_OBJECT
public:
    /** No verdict yet (start state), or the verdict of the last mode frame. */
    enum class Verdict { None, Pass, Fail };

    explicit EvaluationView(QObject* parent = nullptr);

    /** Start state for a count profile: MAX "-4001", MIN "4001", units "*", value "0". */
    void reset(const CountProfile& profile);

    QString MaxText() const { return maxText_; }
    QString MinText() const { return minText_; }
    /** Units of MAX and MIN, in display glyph characters ("k*", "#"). */
    QString MaxTextU() const { return maxTextU_; }
    QString MinTextU() const { return minTextU_; }
    /** Text of the judged value field `T1VALUE`. */
    QString T1VALUE() const { return valueText_; }
    Verdict verdict() const { return verdict_; }
    /** Caption of `judge`: "Pass", "Fail" or empty before the first verdict. */
    QString judgeText() const;
    /**
     * Colour of the `judge` text, the `Shape1` brush and the `T1VALUE`
     * background: green for Pass, red for Fail, invalid before the first
     * verdict (the view keeps its own start colours then).
     */
    QColor verdictColour() const;
    /** Whether `oltext` ("OL !!") is shown. */
    bool oltextShown() const { return oltextShown_; }

    void setExtremes(const QString& maxText, const QString& minText, const QString& unit);
    void setT1VALUE(const QString& text);
    void setVerdict(Verdict verdict);
    void setOltextShown(bool shown);

    static QColor passColour() { return QColor(0, 128, 0); }
    static QColor failColour() { return QColor(255, 0, 0); }

signals:
    /** Emitted after any change. */
    void changed();

private:
    QString maxText_;
    QString minText_;
    QString maxTextU_;
    QString minTextU_;
    QString valueText_;
    Verdict verdict_ = Verdict::None;
    bool oltextShown_ = false;
};
