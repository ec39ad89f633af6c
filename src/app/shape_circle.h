#pragma once

#include <QColor>
#include <QWidget>

/** A filled circle with a pen outline, drawn inside the widget's rectangle. */
class ShapeCircle : public QWidget {
    Q_OBJECT
public:
    explicit ShapeCircle(QWidget* parent = nullptr);

    QColor brushColor() const { return brush_; }
    void setBrushColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor brush_;
};
