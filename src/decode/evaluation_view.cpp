#include "decode/evaluation_view.h"

EvaluationView::EvaluationView(QObject* parent)
    : QObject(parent)
{
    reset(CountProfile {});
}

void EvaluationView::reset(const CountProfile& profile)
{
    maxText_ = QString::number(-(profile.FullScaleCount + 1));
    minText_ = QString::number(profile.FullScaleCount + 1);
    maxTextU_ = minTextU_ = QStringLiteral("*");
    valueText_ = QStringLiteral("0");
    verdict_ = Verdict::None;
    oltextShown_ = false;
    emit changed();
}

QString EvaluationView::judgeText() const
{
    switch (verdict_) {
    case Verdict::Pass:
        return QStringLiteral("Pass");
    case Verdict::Fail:
        return QStringLiteral("Fail");
    case Verdict::None:
        break;
    }
    return {};
}

QColor EvaluationView::verdictColour() const
{
    switch (verdict_) {
    case Verdict::Pass:
        return passColour();
    case Verdict::Fail:
        return failColour();
    case Verdict::None:
        break;
    }
    return {};
}

void EvaluationView::setExtremes(const QString& maxText, const QString& minText, const QString& unit)
{
    if (maxText_ == maxText && minText_ == minText && maxTextU_ == unit && minTextU_ == unit)
        return;
    maxText_ = maxText;
    minText_ = minText;
    maxTextU_ = minTextU_ = unit;
    emit changed();
}

void EvaluationView::setT1VALUE(const QString& text)
{
    if (valueText_ == text)
        return;
    valueText_ = text;
    emit changed();
}

void EvaluationView::setVerdict(Verdict verdict)
{
    if (verdict_ == verdict)
        return;
    verdict_ = verdict;
    emit changed();
}

void EvaluationView::setOltextShown(bool shown)
{
    if (oltextShown_ == shown)
        return;
    oltextShown_ = shown;
    emit changed();
}
