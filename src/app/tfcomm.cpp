#include "app/tfcomm.h"

#include "app/caption_gap_check_box.h"
#include "app/exclusive_toggle_group.h"
#include "app/link_icons.h"
#include "app/message_asker.h"
#include "app/records_grid_columns.h"
#include "app/records_grid_model.h"
#include "app/records_grid_view.h"
#include "app/shape_circle.h"
#include "app/text_width.h"
#include "app/widest_texts.h"
#include "base/variant_settings.h"
#include "decode/lcd_panel_widget.h"
#include "decode/unit_glyphs.h"
#include "link/com_port_driver.h"
#include "link/hid/hid_platform.h"
#include "link/hid/usb_cable_link.h"
#include "records/chart_pager.h"
#include "records/journal.h"
#include "records/reading_log.h"
#include "records/records_journal.h"
#include "records/records_table.h"
#include "records/records_table_model.h"
#include "records/records_table_sink.h"
#include "records/trend_chart_widget.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

/** The window's font: 8 point bold, the system's sans-serif where "MS Sans Serif" is missing. */
QFont windowFont()
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(8);
    f.setBold(true);
    return f;
}

QFont pixelFont(const QString& family, int pixels, bool bold)
{
    QFont f(family);
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

template <typename W> W* place(W* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

void setBackground(QWidget* w, const QColor& color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, color);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

QToolButton* speedButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setIcon(parent->style()->standardIcon(icon));
    b->setAutoRaise(false);
    b->setToolTip(hint);
    return b;
}

const QColor Silver(192, 192, 192);

/** Check boxes lying on the black background: white text, indicator as usual. */
void whiteOnBlack(QWidget* w)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    pal.setColor(QPalette::Window, Qt::black);
    w->setPalette(pal);
}

} // namespace

QString TFCOMM::exitQuestionText()
{
    return QStringLiteral("Are you ensure to exit the program") + QChar(0xFF1F);
}

TFCOMM::TFCOMM(const BuildVariant& variant, std::unique_ptr<MessageAsker> asker,
    std::unique_ptr<HidPlatform> hidPlatform, QWidget* parent)
    : QMainWindow(parent)
    , asker_(asker ? std::move(asker) : std::make_unique<DialogMessageAsker>())
    , terminate_([] { QCoreApplication::quit(); })
{
    setObjectName(QStringLiteral("FCOMM"));
    setWindowTitle(QStringLiteral("Z5082"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
        | Qt::WindowCloseButtonHint);
    setFont(windowFont());
    readingNotice_ = new WindowNotice(this, QMessageBox::Critical, this);

    // The reading path comes first: the panel and the chart show its models.
    T20VDB = new RecordsTable(this);
    T20VDB->setObjectName(QStringLiteral("T20VDB"));
    journal_ = std::make_unique<Journal>();
    recordsJournal_ = std::make_unique<RecordsJournal>(*journal_, buildVariantName(variant));
    recordSink_ = std::make_unique<RecordsTableSink>(*T20VDB, recordsJournal_.get());
    pipeline_ = std::make_unique<ReadingPipeline>(variant, *recordSink_);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(ClientWidth, ClientHeight);
    setBackground(client, Qt::black);
    setCentralWidget(client);

    buildHiddenControls(client); // first, so the visible areas lie above them
    buildTopBar(client);
    buildDisplayArea(client);
    buildLogArea(client);
    buildLimitsPanel(client);
    buildRecording(client);
    buildMenus();

    COMM2 = new TComPortDriver(this);
    COMM2->setObjectName(QStringLiteral("COMM2"));
    COMM2->setComPortSpeed(TComPortBaudRate::br2400);
    Data1 = new RecordsTableModel(T20VDB, this);
    setUpRecordsGrid();

    ConTimer = new QTimer(this);
    ConTimer->setObjectName(QStringLiteral("ConTimer"));
    ConTimer->setInterval(100);
    Trecord = new QTimer(this);
    Trecord->setObjectName(QStringLiteral("Trecord"));
    Trecord->setInterval(1000);

    connectConnectionControl();
    connectDecoding();
    connectRecordFiles();
    buildUsbLink(client, std::move(hidPlatform));
    buildJournal();
    connectRecording();
    connect(BitBtn1, &QPushButton::clicked, this, &TFCOMM::BitBtn1Click);
    connect(BtExit, &QPushButton::clicked, this, &TFCOMM::BtExit1Click);
    connect(Exit1, &QAction::triggered, this, &TFCOMM::BtExit1Click);

    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    FormResize();

    FormCreate();
    startJournal();
    ConTimer->start();
    Trecord->start();
}

TFCOMM::~TFCOMM() = default;

void TFCOMM::buildTopBar(QWidget* client)
{
    const char* names[] = { "BtCOM1", "BtCOM2", "BtCOM3", "BtCOM4" };
    QPushButton** panels[] = { &BtCOM1, &BtCOM2, &BtCOM3, &BtCOM4 };
    for (int i = 0; i < 4; ++i) {
        auto* b = place(new QPushButton(QStringLiteral("COM %1").arg(i + 1), client), names[i], 5, 3, 61, 24);
        b->setVisible(i == 0);
        *panels[i] = b;
    }

    COMCon = place(new QToolButton(client), "COMCon", 68, 4, 94, 25);
    COMCon->setText(QStringLiteral("COM Connect"));
    USBCon = place(new QToolButton(client), "USBCon", 170, 4, 94, 25);
    USBCon->setText(QStringLiteral("USB Connect"));
    // The hint texts of these two controls exist but are never shown.
    USBCon->setProperty("hint", QStringLiteral("USB Connect"));

    checksystem = place(new QCheckBox(client), "checksystem", 280, 5, 281, 25);
    checksystem->setText(QStringLiteral(" if you install is English operation system, please choose. "));
    checksystem->setProperty(
        "hint", QStringLiteral("  if you install is English operating system, please choose.  "));
    checksystem->setFont(pixelFont(font().family(), 8, false));
    whiteOnBlack(checksystem);

    BitBtn1 = place(new QPushButton(QStringLiteral("EXIT"), client), "BitBtn1", 576, 3, 81, 25);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
}

void TFCOMM::buildDisplayArea(QWidget* client)
{
    Panel1 = place(new LcdPanelWidget(&pipeline_->panel(), client), "Panel1", 3, 31, 285, 154);

    Panel3 = place(new QFrame(client), "Panel3", 3, 184, 285, 41);
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    setBackground(Panel3, Silver);
    Label12 = label(Panel3, "Label12", QStringLiteral("MAX: "));
    MaxText = label(Panel3, "MaxText", QStringLiteral("-4001"));
    MaxTextU = label(Panel3, "MaxTextU", UnitGlyphs::toDisplay(QStringLiteral("*")));
    Label11 = label(Panel3, "Label11", QStringLiteral("MIN: "));
    MinText = label(Panel3, "MinText", QStringLiteral("4001"));
    MinTextU = label(Panel3, "MinTextU", UnitGlyphs::toDisplay(QStringLiteral("*")));
    layOutExtremes();
}

void TFCOMM::layOutExtremes()
{
    // "MAX: " with room for the widest value and unit at the left, the same
    // for "MIN: " at the right, in the largest bold lettering up to 16 pixels
    // that holds both side by side.
    const int edge = 6, gap = 8, top = 10, height = 22;
    const QStringList values = widesttexts::values();
    const QStringList units = widesttexts::units();
    QFont text, unit;
    int maxCaption = 0, minCaption = 0, value = 0, unitWidth = 0;
    for (int pixels = 16; pixels >= 8; --pixels) {
        text = pixelFont(font().family(), pixels, true);
        unit = UnitGlyphs::font(pixels, true);
        maxCaption = widestAdvance({ Label12->text() }, text);
        minCaption = widestAdvance({ Label11->text() }, text);
        value = widestAdvance(values, text) + 1;
        unitWidth = widestAdvance(units, unit) + 4;
        if (2 * edge + maxCaption + minCaption + 2 * (value + unitWidth) + gap <= Panel3->width())
            break;
    }
    const auto row = [&](QLabel* caption, int captionWidth, QLabel* number, QLabel* unitLabel, int left) {
        caption->setGeometry(left, top, captionWidth, height);
        number->setGeometry(left + captionWidth, top, value, height);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // The unit follows the value after a small gap, whatever its width.
        unitLabel->setGeometry(left + captionWidth + value, top, unitWidth, height);
        unitLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        unitLabel->setIndent(3);
        caption->setFont(text);
        number->setFont(text);
        unitLabel->setFont(unit);
    };
    row(Label12, maxCaption, MaxText, MaxTextU, edge);
    row(Label11, minCaption, MinText, MinTextU, Panel3->width() - edge - minCaption - value - unitWidth);
}

void TFCOMM::buildLogArea(QWidget* client)
{
    const int top = 234;
    RepeatSet = new QCheckBox(QStringLiteral("Repeat"), client);
    RepeatSet->setObjectName(QStringLiteral("RepeatSet"));
    RepeatSet->setChecked(true);
    RepeatSet->setProperty("hint", QStringLiteral("Repeage Record"));
    RecordSI = new CaptionGapCheckBox(QStringLiteral("Sampling Interval           'S"), client);
    RecordSI->setObjectName(QStringLiteral("RecordSI"));
    RecordSI->setChecked(true);
    RecordSITime = new QLineEdit(QStringLiteral("1"), client);
    RecordSITime->setObjectName(QStringLiteral("RecordSITime"));
    for (QCheckBox* c : std::initializer_list<QCheckBox*> { RepeatSet, RecordSI })
        whiteOnBlack(c);

    RecordNew = speedButton(client, "RecordNew", QStyle::SP_TrashIcon, QStringLiteral("Close Data"));
    OpenDataFiles = speedButton(
        client, "OpenDataFiles", QStyle::SP_DialogOpenButton, QStringLiteral("Open old data files"));
    saveas = speedButton(client, "saveas", QStyle::SP_DialogSaveButton, QStringLiteral("Save data files"));
    BtPrint = speedButton(client, "BtPrint", QStyle::SP_FileDialogDetailedView, QString());
    BtPrint->setProperty("hint", QStringLiteral("Print"));
    // The file buttons end the row at 288.
    int left = 288 - 4 * 22 + 1;
    for (QToolButton* b : { RecordNew, OpenDataFiles, saveas, BtPrint }) {
        b->setGeometry(left, top - 2, 21, 21);
        left += 22;
    }
    layOutLogOptions(top, RecordNew->x() - 2);

    DBGrid1 = place(new RecordsGridView(client), "DBGrid1", 3, 254, 284, 211);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DBGrid1->verticalHeader()->setDefaultSectionSize(18);
    DBGrid1->setFont(RecordsGridModel::gridFont());
    DBGrid1->setWordWrap(false);
    // Silver throughout, the parts beside the last column and below the last row too.
    QPalette pal = DBGrid1->palette();
    pal.setColor(QPalette::Base, Silver);
    pal.setColor(QPalette::Window, Silver);
    DBGrid1->setPalette(pal);
}

void TFCOMM::layOutLogOptions(int top, int right)
{
    // "Sampling Interval [box] 'S": the interval box sits in the blanks of the
    // caption, drawn wide enough for five digits (a day in seconds). The
    // lettering shrinks from 11 pixels until the row ends before the file
    // buttons.
    const int height = 18, clearance = 3;
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, RecordSITime);
    for (int pixels = 11; pixels >= 8; --pixels) {
        QFont rowFont = RecordsGridModel::gridFont();
        rowFont.setPixelSize(pixels);
        for (QWidget* w : std::initializer_list<QWidget*> { RepeatSet, RecordSI, RecordSITime })
            w->setFont(rowFont);
        // The edit draws its text inside its frame with a margin of 2 on each side.
        const int box = widestAdvance({ QStringLiteral("88888") }, rowFont) + 2 * frame + 4 + 1;
        RecordSI->setGapWidth(box + 2 * clearance);
        RepeatSet->setGeometry(3, top, RepeatSet->sizeHint().width(), height);
        RecordSI->setGeometry(RepeatSet->geometry().right() + 3, top, RecordSI->sizeHint().width(), height);
        RecordSITime->setGeometry(RecordSI->x() + RecordSI->gapRect().x() + clearance, top, box, height);
        if (RecordSI->geometry().right() <= right)
            break;
    }
    RecordSITime->raise();
}

void TFCOMM::buildLimitsPanel(QWidget* client)
{
    Panel4 = place(new QFrame(client), "Panel4", 288, 34, 382, 137);
    Panel4->setFrameStyle(QFrame::Panel | QFrame::Raised);
    setBackground(Panel4, Silver);

    T1_HI = place(label(Panel4, "T1_HI", QStringLiteral("Set Hi Limit:")), "T1_HI", 10, 14, 100, 20);
    T1HI = place(new QLineEdit(QStringLiteral("4000"), Panel4), "T1HI", 112, 12, 110, 24);
    T1_Value
        = place(label(Panel4, "T1_Value", QStringLiteral("Measure Value:")), "T1_Value", 10, 56, 100, 20);
    T1VALUE = place(new QLineEdit(QStringLiteral("0"), Panel4), "T1VALUE", 112, 50, 110, 32);
    T1VALUE->setFont(pixelFont(QStringLiteral("Arial"), 21, true));
    T1VALUE->setAutoFillBackground(true);
    QPalette info = T1VALUE->palette();
    info.setColor(QPalette::Base, palette().color(QPalette::ToolTipBase));
    T1VALUE->setPalette(info);
    T1_LO = place(label(Panel4, "T1_LO", QStringLiteral("Set Low Limit:")), "T1_LO", 10, 102, 100, 20);
    T1LO = place(new QLineEdit(QStringLiteral("-4000"), Panel4), "T1LO", 112, 100, 110, 24);
    for (QLineEdit* e : { T1HI, T1LO })
        e->setToolTip(QStringLiteral("Can't for empty"));

    Shape1 = place(new ShapeCircle(Panel4), "Shape1", 236, 14, 112, 112);
    judge = place(label(Panel4, "judge", QString()), "judge", 236, 14, 112, 112);
    judge->setAlignment(Qt::AlignCenter);
    judge->setFont(pixelFont(font().family(), 32, true));

    CONokN = place(label(Panel4, "CONokN", QString()), "CONokN", 352, 4, 25, 24);
    CONokN->setPixmap(linkicons::dark());
    CONok = place(label(Panel4, "CONok", QString()), "CONok", 352, 4, 25, 24);
    CONok->setPixmap(linkicons::lit());
    CONok->hide();
}

void TFCOMM::buildHiddenControls(QWidget* client)
{
    // Start and stop panels and the hidden exit lie beyond the client area.
    BTCon = place(new QPushButton(QStringLiteral("Connect"), client), "BTCon", 700, 480, 80, 25);
    BtDiscon = place(new QPushButton(QStringLiteral("Disconnect"), client), "BtDiscon", 700, 480, 80, 25);
    BtExit = place(new QPushButton(QStringLiteral("Exit"), client), "BtExit", 700, 510, 80, 25);
    BtDiscon->hide();

    // The gauge panel lies under the limits panel; only the layout rule moves it.
    KD = place(new QFrame(client), "KD", 288, 34, 375, 139);
    setBackground(KD, Qt::white);
    KD1 = place(label(KD, "KD1", QString()), "KD1", 0, 0, 375, 139);
    KD2 = place(label(KD, "KD2", QString()), "KD2", 2, 2, 370, 133);
    KdFd = place(label(KD, "KdFd", QString()), "KdFd", 345, 4, 22, 22);
    KdSx = place(label(KD, "KdSx", QString()), "KdSx", 345, 30, 22, 22);
    oltext = place(label(KD, "oltext", QStringLiteral("OL !!")), "oltext", 120, 40, 140, 50);
    oltext->setFont(pixelFont(QStringLiteral("Arial"), 35, true));
    oltext->setStyleSheet(QStringLiteral("QLabel { color: white; background: grey; }"));
    oltext->setAlignment(Qt::AlignCenter);
    oltext->hide();

    ReadBtn = place(new QToolButton(client), "ReadBtn", 700, 540, 60, 25);
    ReadBtn->setText(QStringLiteral("Read"));
    ReadBtn->hide();
}

void TFCOMM::buildMenus()
{
    QMenuBar* bar = menuBar();
    auto action = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    auto checkable = [&](QMenu* menu, const char* name, const QString& text, bool checked) {
        QAction* a = action(menu, name, text);
        a->setCheckable(true);
        a->setChecked(checked);
        return a;
    };

    ComSetup1 = bar->addMenu(QStringLiteral("ComSetup"));
    ComSetup1->setObjectName(QStringLiteral("ComSetup1"));
    COM11 = checkable(ComSetup1, "COM11", QStringLiteral("COM1"), true);
    COM21 = checkable(ComSetup1, "COM21", QStringLiteral("COM2"), false);
    COM31 = checkable(ComSetup1, "COM31", QStringLiteral("COM3"), false);
    COM41 = checkable(ComSetup1, "COM41", QStringLiteral("COM4"), false);

    Connect1 = bar->addMenu(QStringLiteral("Connect"));
    Connect1->setObjectName(QStringLiteral("Connect1"));
    START1 = checkable(Connect1, "START1", QStringLiteral("START"), false);
    STOP1 = checkable(Connect1, "STOP1", QStringLiteral("STOP"), false);
    STOP1->setEnabled(false);

    bar->addAction(QString())->setObjectName(QStringLiteral("Empty1"));

    Graphic1 = bar->addMenu(QStringLiteral("Graphic"));
    Graphic1->setObjectName(QStringLiteral("Graphic1"));
    First1 = action(Graphic1, "First1", QStringLiteral("First"));
    Previous1 = action(Graphic1, "Previous1", QStringLiteral("Previous"));
    Next1 = action(Graphic1, "Next1", QStringLiteral("Next"));
    Last1 = action(Graphic1, "Last1", QStringLiteral("Last"));
    Graphic1->addSeparator();
    New2 = action(Graphic1, "New2", QStringLiteral("New"));
    Save2 = action(Graphic1, "Save2", QStringLiteral("Save"));
    Graphic1->addSeparator();
    Fill1 = checkable(Graphic1, "Fill1", QStringLiteral("Fill"), true);

    Record1 = bar->addMenu(QStringLiteral("Record"));
    Record1->setObjectName(QStringLiteral("Record1"));
    New1 = action(Record1, "New1", QStringLiteral("New"));
    Save1 = action(Record1, "Save1", QStringLiteral("Save"));
    Record1->addSeparator();
    N10001 = checkable(Record1, "N10001", QStringLiteral("1000"), false);
    N50001 = checkable(Record1, "N50001", QStringLiteral("5000"), false);
    N100001 = checkable(Record1, "N100001", QStringLiteral("10000"), true);
    N500001 = checkable(Record1, "N500001", QStringLiteral("50000"), false);
    N1000001 = checkable(Record1, "N1000001", QStringLiteral("100000"), false);
    limitess = checkable(Record1, "limitess", QStringLiteral("limitless"), false);

    bar->addAction(QString())->setObjectName(QStringLiteral("Empty2"));

    Exit1 = bar->addAction(QStringLiteral("Exit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
}

void TFCOMM::setMessageAsker(std::unique_ptr<MessageAsker> asker)
{
    asker_ = std::move(asker);
}

void TFCOMM::setTerminateHandler(std::function<void()> terminate)
{
    terminate_ = std::move(terminate);
}

void TFCOMM::showMessage(QMessageBox::Icon icon, const QString& text)
{
    asker_->ask(this, icon, text, QMessageBox::Ok);
}

void TFCOMM::showReadingError(const QString& text)
{
    readingNotice_->show(text);
}

void TFCOMM::setUpRecordsGrid()
{
    auto* shown = new RecordsGridModel(Data1, this);
    shown->setFollowsNewRows(true);
    DBGrid1->setRecordsModel(shown);
    gridColumns_ = new RecordsGridColumns(DBGrid1, T20VDB, this);
    auto follow = [this] { DBGrid1->showTableRow(Data1->rowCount() - 1); };
    connect(T20VDB, &RecordsTable::rowsAppended, this, follow);
    connect(T20VDB, &RecordsTable::tableReset, gridColumns_, &RecordsGridColumns::reset);
    connect(shown, &RecordsGridModel::windowChanged, gridColumns_, &RecordsGridColumns::scheduleFit);
}

/** Text added to the exit question when rows would be lost. */
static QString unsavedLine(int rows)
{
    return rows == 1 ? QStringLiteral("1 record has not been saved and will be lost.")
                     : QStringLiteral("%1 records have not been saved and will be lost.").arg(rows);
}

int TFCOMM::unsavedRecordCount() const
{
    return int(T20VDB->unsavedRowCount());
}

void TFCOMM::closeRecordsAndTerminate()
{
    // Only reached once nothing is unsaved or the user agreed to drop it:
    // then the journal must not offer those rows at the next start.
    if (unsavedRecordCount() > 0)
        recordsJournal_->dropped();
    T20VDB->close();
    journal_->close();
    terminate_();
}

void TFCOMM::BitBtn1Click()
{
    QString text = exitQuestionText();
    const int unsaved = unsavedRecordCount();
    if (unsaved > 0)
        text += QLatin1Char('\n') + unsavedLine(unsaved);
    if (asker_->ask(this, QMessageBox::Information, text, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes)
        closeRecordsAndTerminate();
}

bool TFCOMM::mayDropUnsavedOnExit()
{
    const int unsaved = unsavedRecordCount();
    if (unsaved == 0)
        return true;
    const QString text = exitQuestionText() + QLatin1Char('\n') + unsavedLine(unsaved);
    return asker_->ask(this, QMessageBox::Information, text, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

void TFCOMM::BtExit1Click()
{
    // Immediate when nothing would be lost; unsaved rows are never dropped without a question.
    if (mayDropUnsavedOnExit())
        closeRecordsAndTerminate();
}

void TFCOMM::closeEvent(QCloseEvent* event)
{
    if (!mayDropUnsavedOnExit()) {
        event->ignore();
        return;
    }
    event->accept();
    closeRecordsAndTerminate();
}

void TFCOMM::FormResize()
{
    const int w = width() + BorderWidth;
    BtExit->move(w - 80, BtExit->y());
    BTCon->move(w - 190, BTCon->y());
    BtDiscon->move(w - 190, BtDiscon->y());
    Chtshow->resize(w - 300, Chtshow->height());
    KD->resize(w - 303, KD->height());
    KD2->resize(w - 305, KD->height() - 6);
    Chtshow->move(Chtshow->x(), KD->height() + 34);
    KDResize();
}

void TFCOMM::KDResize()
{
    KdFd->move(KD->width() - 30, KdFd->y());
    KdSx->move(KD->width() - 30, KdSx->y());
}

void TFCOMM::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (Chtshow)
        FormResize();
}

void TFCOMM::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    if (QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}
