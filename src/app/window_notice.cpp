#include "app/window_notice.h"

#include "base/application_names.h"

WindowNotice::WindowNotice(QWidget* parent, QMessageBox::Icon icon, QObject* owner)
    : QObject(owner)
    , parent_(parent)
    , icon_(icon)
{
}

WindowNotice::~WindowNotice()
{
    delete box_.data();
}

void WindowNotice::show(const QString& text, const QString& detail)
{
    if (detail != detail_) {
        detail_ = detail;
        if (box_)
            box_->setInformativeText(detail);
    }
    if (isShowing() && text == text_)
        return;
    text_ = text;
    if (!box_) {
        box_ = new QMessageBox(icon_, appnames::programTitle(), text, QMessageBox::Ok, parent_);
        box_->setModal(false);
        box_->setWindowModality(Qt::NonModal);
        connect(box_, &QMessageBox::finished, this, &WindowNotice::dismissed);
    }
    box_->setText(text);
    box_->setInformativeText(detail);
    ++timesShown_;
    box_->show();
    box_->raise();
}

void WindowNotice::clear()
{
    if (box_ && box_->isVisible())
        box_->hide();
}

bool WindowNotice::isShowing() const
{
    return box_ && box_->isVisible();
}
