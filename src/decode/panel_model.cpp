#include "decode/panel_model.h"

#include <QMetaEnum>

#include <algorithm>

PanelModel::PanelModel(QObject* parent)
    : QObject(parent)
{
    reset();
}

void PanelModel::reset()
{
    visible_.fill(false);
    const std::pair<Element, const char*> captions[] = {
        { LcdFH, "-" },
        { LcdDa, "3" },
        { LcdDb, "9" },
        { LcdDc, "9" },
        { LcdDd, "9" },
        { LcdAuto, "AUTO" },
        { LCDRS, "RS232" },
        { LCD232C, " " },
        { LcdAC, "AC" },
        { LcdDc1, "DC" },
        { LcdACDC, "AC" },
        { LCDHold, "\"" },
        { LCDRec, "!" },
        { LCDBATT, "$" },
        { LCDBT, "(" },
        { LCDBF, "%" },
        { LCDk, "k" },
        { LCDM1, "M" },
        { Lcdm, "m" },
        { LCDu, "+" },
        { LCDn, "n" },
        { LcdV, "V" },
        { LCDA, "A" },
        { LCDohm, "*" },
        { LCDF, "F" },
        { LCDHz, "Hz" },
        { LcdRPM, "RPM" },
        { LCDCS, "#" },
        { LCDFS, "?" },
        { LCDDI, ")" },
        { LCDFm, "&" },
    };
    for (auto& c : captions_)
        c.clear();
    for (const auto& [element, text] : captions)
        captions_[element] = QString::fromLatin1(text);
    for (Element e : { LcdFH, LcdDa, LcdDb, LcdDc, LcdDd })
        visible_[e] = true;
    barPosition_ = 30;
    notify();
}

void PanelModel::setVisible(Element e, bool shown)
{
    if (visible_[e] == shown)
        return;
    visible_[e] = shown;
    notify();
}

void PanelModel::setCaption(Element e, const QString& text)
{
    if (captions_[e] == text)
        return;
    captions_[e] = text;
    notify();
}

void PanelModel::setBarPosition(int position)
{
    position = std::clamp(position, 0, BarMaximum);
    if (barPosition_ == position)
        return;
    barPosition_ = position;
    notify();
}

QString PanelModel::elementName(Element e)
{
    return QString::fromLatin1(QMetaEnum::fromType<Element>().valueToKey(e));
}

void PanelModel::notify()
{
    if (batchDepth_ > 0) {
        changedInBatch_ = true;
        return;
    }
    emit changed();
}

PanelModel::Batch::Batch(PanelModel& model)
    : model_(model)
{
    ++model_.batchDepth_;
}

PanelModel::Batch::~Batch()
{
    if (--model_.batchDepth_ == 0 && model_.changedInBatch_) {
        model_.changedInBatch_ = false;
        emit model_.changed();
    }
}
