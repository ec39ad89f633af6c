#include "records/trend_chart_widget.h"

#include "base/application_names.h"
#include "records/chart_envelope_item.h"
#include "records/chart_pager.h"
#include "records/whole_number.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QToolButton>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {
// At most 25 redraws a second, however fast readings arrive.
constexpr int redrawIntervalMs = 40;

const QColor areaPen(0, 128, 255);
const QColor linePen(128, 255, 0);
const QColor axisLine(0, 64, 128);
const QColor chartColour(192, 220, 248);

QToolButton* toolButton(QWidget* parent, const char* name, const QString& hint, QStyle::StandardPixmap icon,
    int x, int width = 24)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    if (icon != QStyle::SP_CustomBase)
        b->setIcon(parent->style()->standardIcon(icon));
    b->setAutoRaise(true);
    b->setGeometry(x, 3, width, 22);
    return b;
}
/** Width of the page-number button while its number is short. */
constexpr int pageButtonWidth = 24;
} // namespace

QString TrendChartWidget::bitmapPath()
{
    return QDir::home().filePath(QStringLiteral("databmp.bmp"));
}

QRect TrendChartWidget::enlargedBounds(QSize outer)
{
    return QRect(2, 28, outer.width() - 12, outer.height() - 85);
}

TrendChartWidget::TrendChartWidget(ChartPager& pager, QWidget* parent)
    : QWidget(parent)
    , pager_(pager)
{
    setObjectName(QStringLiteral("Chtshow"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, chartColour);
    setPalette(pal);
    // The window around the chart is black; keep the tool row readable whatever it inherits.
    setStyleSheet(QStringLiteral("QLineEdit { background: white; color: black; }"
                                 "QCheckBox { background: transparent; color: black; }"
                                 "QToolButton { background: transparent; color: blue; }"
                                 "QGraphicsView { background: rgb(192, 220, 248); border: none; }"));

    buildChart();
    buildToolRow();
    buildAlarmBoxes();

    redrawTimer_.setSingleShot(true);
    redrawTimer_.setInterval(redrawIntervalMs);
    connect(&redrawTimer_, &QTimer::timeout, this, &TrendChartWidget::flushRedraw);
    connect(&pager_, &ChartPager::pageChanged, this, &TrendChartWidget::scheduleRedraw);
    connect(&pager_, &ChartPager::controlsChanged, this, &TrendChartWidget::showControls);

    showControls();
    flushRedraw();
}

TrendChartWidget::~TrendChartWidget() = default;

void TrendChartWidget::buildChart()
{
    chart_ = new QChart;
    chart_->setObjectName(QStringLiteral("Chtshow"));
    chart_->setAnimationOptions(QChart::NoAnimation);
    chart_->legend()->hide();
    chart_->setTitle(QStringLiteral("  "));
    QLinearGradient background(0, 0, 0, 1);
    background.setCoordinateMode(QGradient::ObjectMode);
    background.setColorAt(0, QColor(192, 192, 192));
    background.setColorAt(1, Qt::white);
    chart_->setBackgroundBrush(background);
    chart_->setPlotAreaBackgroundBrush(Qt::white);
    chart_->setPlotAreaBackgroundVisible(true);
    chart_->setMargins(QMargins(4, 20, 8, 4));
    chart_->setBackgroundRoundness(0);
    chart_->layout()->setContentsMargins(0, 0, 0, 0);

    areaUpper_ = new QLineSeries(chart_);
    series2_ = new QAreaSeries(areaUpper_);
    series2_->setName(QStringLiteral("Series2"));
    series2_->setColor(Qt::blue);
    series2_->setBorderColor(areaPen);
    series2_->setPen(QPen(areaPen, 1));
    series2_->setBrush(QColor(Qt::blue));
    series2_->setPointsVisible(false);
    series2_->setPointLabelsVisible(false);

    series1_ = new QLineSeries;
    series1_->setName(QStringLiteral("Series1"));
    series1_->setPen(QPen(linePen, 1));
    series1_->setPointsVisible(false);
    series1_->setPointLabelsVisible(false);
    series1_->setUseOpenGL(false);

    chart_->addSeries(series2_);
    chart_->addSeries(series1_);

    axisX_ = new QValueAxis;
    axisX_->setLabelFormat(QStringLiteral("%.0f"));
    axisX_->setTickCount(5);
    axisY_ = new QValueAxis;
    axisY_->setLabelFormat(QStringLiteral("%g"));
    QPen axisPen(axisLine);
    axisPen.setStyle(Qt::DashLine);
    axisY_->setLinePen(axisPen);
    axisY_->setMinorTickCount(4);
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    for (QAbstractSeries* s :
        { static_cast<QAbstractSeries*>(series2_), static_cast<QAbstractSeries*>(series1_) }) {
        s->attachAxis(axisX_);
        s->attachAxis(axisY_);
    }

    envelope_ = new ChartEnvelopeItem(chart_, axisX_, axisY_);
    envelope_->hide();
    // A new plot size changes how many points make a page dense.
    connect(chart_, &QChart::plotAreaChanged, this, &TrendChartWidget::scheduleRedraw);

    view_ = new QChartView(chart_, this);
    view_->setRenderHint(QPainter::Antialiasing, false);
    view_->setRubberBand(QChartView::RectangleRubberBand);
    view_->setCursor(Qt::CrossCursor);
}

void TrendChartWidget::buildToolRow()
{
    BtFill = new QCheckBox(QStringLiteral("Fill"), this);
    BtFill->setObjectName(QStringLiteral("BtFill"));
    BtFill->setToolTip(QStringLiteral("Graphic Fill"));
    BtFill->setChecked(true);
    BtFill->setGeometry(5, 5, 42, 18);
    connect(BtFill, &QCheckBox::clicked, this, &TrendChartWidget::btFillClick);

    Maxrecord = new QLineEdit(QStringLiteral("100"), this);
    Maxrecord->setObjectName(QStringLiteral("Maxrecord"));
    Maxrecord->setGeometry(48, 3, 41, 22);
    // Digits only; nine at most so the number always fits.
    Maxrecord->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), Maxrecord));
    connect(Maxrecord, &QLineEdit::textChanged, this, [this](const QString& text) {
        try {
            pager_.MaxrecordExit(text);
        } catch (const std::invalid_argument& e) {
            emit conversionFailed(QString::fromStdString(e.what()));
        }
    });

    BtNew = toolButton(this, "BtNew", QStringLiteral("New"), QStyle::SP_FileIcon, 91, 30);
    BtSave = toolButton(this, "BtSave", QStringLiteral("Save"), QStyle::SP_DialogSaveButton, 125, 30);
    BtFirst = toolButton(this, "BtFirst", QStringLiteral("First"), QStyle::SP_MediaSkipBackward, 163);
    BTPrevious
        = toolButton(this, "BTPrevious", QStringLiteral("Previous"), QStyle::SP_MediaSeekBackward, 187);
    Bt10 = toolButton(this, "Bt10", QStringLiteral("Page No."), QStyle::SP_CustomBase, 211);
    Bt10->setText(QStringLiteral("1"));
    QPalette pagePalette = Bt10->palette();
    pagePalette.setColor(QPalette::ButtonText, Qt::blue);
    Bt10->setPalette(pagePalette);
    BtNext = toolButton(this, "BtNext", QStringLiteral("Next"), QStyle::SP_MediaSeekForward, 235);
    BTlast = toolButton(this, "BTlast", QStringLiteral("last"), QStyle::SP_MediaSkipForward, 259);
    TbFd = toolButton(this, "TbFd", QStringLiteral("Graphic Enlarge"), QStyle::SP_TitleBarMaxButton, 288);
    TbSx = toolButton(this, "TbSx", QStringLiteral("Graphic Restore"), QStyle::SP_TitleBarNormalButton, 288);
    TbSx->hide();

    connect(BtNew, &QToolButton::clicked, this, &TrendChartWidget::BtNewClick);
    connect(BtSave, &QToolButton::clicked, this, &TrendChartWidget::BtSaveClick);
    connect(BtFirst, &QToolButton::clicked, &pager_, &ChartPager::BtFirstClick);
    connect(BTPrevious, &QToolButton::clicked, &pager_, &ChartPager::BTPreviousClick);
    connect(BtNext, &QToolButton::clicked, &pager_, &ChartPager::BtNextClick);
    connect(BTlast, &QToolButton::clicked, &pager_, &ChartPager::BTlastClick);
    connect(TbFd, &QToolButton::clicked, this, &TrendChartWidget::TbFdClick);
    connect(TbSx, &QToolButton::clicked, this, &TrendChartWidget::TbFdClick);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({ QStringLiteral("atile"), QStringLiteral("btile") });
    ComboBox1->hide();
    connect(ComboBox1, &QComboBox::activated, &pager_, &ChartPager::ShowSeries);
}

void TrendChartWidget::buildAlarmBoxes()
{
    // Kept off screen: they hold the alarm switches and limits the evaluation reads.
    auto signedDigits = QRegularExpression(QStringLiteral("[-+0-9]{0,10}"));
    Setmax = new QLineEdit(QStringLiteral("4000"), this);
    Setmax->setObjectName(QStringLiteral("Setmax"));
    SetMin = new QLineEdit(QStringLiteral("-4000"), this);
    SetMin->setObjectName(QStringLiteral("SetMin"));
    SetMaxB = new QCheckBox(QStringLiteral("SetMax:"), this);
    SetMaxB->setObjectName(QStringLiteral("SetMaxB"));
    SetMinB = new QCheckBox(QStringLiteral("SetMin: "), this);
    SetMinB->setObjectName(QStringLiteral("SetMinB"));
    DELDATA = new QPushButton(QStringLiteral("DELDATA"), this);
    DELDATA->setObjectName(QStringLiteral("DELDATA"));
    for (QWidget* w : std::initializer_list<QWidget*> { Setmax, SetMin, SetMaxB, SetMinB, DELDATA })
        w->hide();
    for (QLineEdit* box : { Setmax, SetMin })
        box->setValidator(new QRegularExpressionValidator(signedDigits, box));

    connect(Setmax, &QLineEdit::textChanged, this, [this] { alarmLimitChanged(Setmax, true); });
    connect(SetMaxB, &QCheckBox::clicked, this, [this] { alarmLimitChanged(Setmax, true); });
    connect(SetMin, &QLineEdit::textChanged, this, [this] { alarmLimitChanged(SetMin, false); });
    connect(SetMinB, &QCheckBox::clicked, this, [this] { alarmLimitChanged(SetMin, false); });
    connect(DELDATA, &QPushButton::clicked, &pager_, &ChartPager::DELDATAClick);
}

void TrendChartWidget::alarmLimitChanged(QLineEdit* box, bool high)
{
    try {
        const float limit = float(wholenumber::parseOrZero(box->text()));
        if (high)
            emit highAlarmLimitChanged(limit);
        else
            emit lowAlarmLimitChanged(limit);
    } catch (const std::invalid_argument& e) {
        emit conversionFailed(QString::fromStdString(e.what()));
    }
}

void TrendChartWidget::BtNewClick()
{
    pager_.BtNewClick();
    ComboBox1->setCurrentIndex(0);
    pager_.ShowSeries(0);
    pager_.ShowSeries(BtFill->isChecked() ? 0 : 1);
}

void TrendChartWidget::btFillClick()
{
    emit fillChanged(BtFill->isChecked());
    pager_.ShowSeries(BtFill->isChecked() ? 0 : 1);
}

void TrendChartWidget::TbFdClick()
{
    if (geometry().top() > 50) {
        TbFd->hide();
        TbSx->show();
        normalBounds_ = geometry();
        setGeometry(enlargedBounds(window()->frameGeometry().size()));
        raise();
    } else {
        TbSx->hide();
        TbFd->show();
        setGeometry(normalBounds_);
    }
}

QString TrendChartWidget::saveBitmap(const QString& path)
{
    flushRedraw();
    QImage image(view_->size(), QImage::Format_RGB888);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        view_->render(&painter);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return file.errorString();
    if (!image.save(&file, "BMP") || !file.flush())
        return file.error() != QFileDevice::NoError ? file.errorString()
                                                    : QStringLiteral("Cannot write %1").arg(path);
    return {};
}

void TrendChartWidget::BtSaveClick()
{
    const QString path = bitmapPath();
    const QString error = saveBitmap(path);
    if (error.isEmpty())
        QMessageBox::information(
            this, appnames::programTitle(), QStringLiteral("graphic has saved on ") + path);
    else
        QMessageBox::warning(this, appnames::programTitle(), error);
}

void TrendChartWidget::showControls()
{
    const ChartPager::PageButtons b = pager_.pageButtons();
    BtFirst->setEnabled(b.first);
    BTPrevious->setEnabled(b.previous);
    BtNext->setEnabled(b.next);
    BTlast->setEnabled(b.last);
    showPageNumber(pager_.pageCaption());
    series2_->setVisible(pager_.activeSeries() == 0);
    series1_->setVisible(pager_.activeSeries() == 1);
    styleEnvelope();
    axisY_->setRange(pager_.valueMinimum(), pager_.valueMaximum());
}

void TrendChartWidget::showPageNumber(const QString& number)
{
    if (Bt10->text() == number)
        return;
    Bt10->setText(number);
    // The button is as narrow as its arrows, but a long log reaches page
    // numbers of several digits: the button widens to hold them and the
    // buttons to its right move along, into the free end of the row.
    const int width = std::max(
        pageButtonWidth, int(std::ceil(QFontMetricsF(Bt10->font()).horizontalAdvance(number))) + 6);
    const int grow = width - Bt10->width();
    if (grow == 0)
        return;
    Bt10->resize(width, Bt10->height());
    for (QWidget* right : { static_cast<QWidget*>(BtNext), static_cast<QWidget*>(BTlast),
             static_cast<QWidget*>(TbFd), static_cast<QWidget*>(TbSx) })
        right->move(right->x() + grow, right->y());
}

void TrendChartWidget::scheduleRedraw()
{
    if (!redrawTimer_.isActive())
        redrawTimer_.start();
}

void TrendChartWidget::flushRedraw()
{
    redrawTimer_.stop();
    int columns = int(chart_->plotArea().width());
    if (columns <= 0)
        columns = std::max(width() - 60, 100);
    const auto [first, last] = pager_.pageXRange();
    axisX_->setRange(first, last);
    if (pager_.pagePointCount() > columns) {
        envelope_->setColumns(pager_.pageEnvelope(columns), columns);
        if (!envelope_->isVisible()) {
            areaUpper_->clear();
            series1_->clear();
            envelope_->show();
        }
        return;
    }
    envelope_->hide();
    const QList<QPointF> points = pager_.pagePoints(columns);
    areaUpper_->replace(points);
    series1_->replace(points);
}

void TrendChartWidget::styleEnvelope()
{
    switch (pager_.activeSeries()) {
    case 0:
        envelope_->setStyle(ChartEnvelopeItem::Style::Area, series2_->pen(), series2_->brush());
        break;
    case 1:
        envelope_->setStyle(ChartEnvelopeItem::Style::Line, series1_->pen());
        break;
    default:
        envelope_->setStyle(ChartEnvelopeItem::Style::None, QPen());
    }
}

void TrendChartWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    view_->setGeometry(rect());
    scheduleRedraw();
}
