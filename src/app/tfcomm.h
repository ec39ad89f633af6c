#pragma once

#include "app/caption_gap_check_box.h"
#include "app/message_asker.h"
#include "app/record_file_dialogs.h"
#include "app/records_grid_view.h"
#include "app/window_notice.h"
#include "base/build_variant.h"
#include "base/count_profile.h"
#include "link/hid/hid_platform.h"
#include "link/serial_port_listing.h"
#include "records/job_runner.h"
#include "records/trend_chart_widget.h"
#include "session/reading_pipeline.h"

#include <QMainWindow>
#include <QMessageBox>

#include <functional>
#include <memory>

class ChartPager;
class LinkHealthView;
class SerialLinkSupervisor;
class ExclusiveToggleGroup;
class Journal;
class RecordsJournal;
struct FileOutcome;
class UsbCableLink;
class QAction;
class QDateTime;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTableView;
class QTimer;
class QToolButton;
class ReadingLog;
class RecordsGridColumns;
class RecordsTableSink;

class RecordsTable;
class RecordsTableModel;
class ShapeCircle;
class TComPortDriver;

/**
 * The program's one window, `FCOMM`. Owns every subsystem object and wires
 * them together; the logic itself lives in the subsystem libraries.
 *
 * The controls are public members named as the window's design names them
 * (their objectName is the same), so each area's handlers, kept in their own
 * tfcomm_*.cpp file, and the tests reach them directly. Sections are grouped
 * by area; add an area's members to its own section.
 */
class TFCOMM : public QMainWindow {
    Q_OBJECT
public:
    /** Client area of the window, fixed. */
    static constexpr int ClientWidth = 675;
    static constexpr int ClientHeight = 471;
    /** Outer width the layout rule works from: client width plus the fixed border. */
    static constexpr int BorderWidth = 7;

    /** Designed question of "EXIT", ending in a full-width question mark. */
    static QString exitQuestionText();
    /** Question of Record New when @p unsaved rows would be deleted. */
    static QString recordNewQuestion(qint64 unsaved);

    /**
     * Builds the window and runs FormCreate.
     * @param variant the build variant; tests hand in other combinations
     * @param asker shows the message boxes (start-up failures included);
     *        null gives the real dialogs
     * @param hidPlatform the HID services the USB link uses; null gives the
     *        Linux ones (tests hand in a fake)
     */
    explicit TFCOMM(const BuildVariant& variant = BuildVariant::shipped(),
        std::unique_ptr<MessageAsker> asker = nullptr, std::unique_ptr<HidPlatform> hidPlatform = nullptr,
        QWidget* parent = nullptr);
    ~TFCOMM() override;

    const BuildVariant& variant() const { return pipeline_->variant(); }
    const CountProfile& countProfile() const { return pipeline_->countProfile(); }
    ReadingState& reading() { return pipeline_->reading(); }
    EvaluationState& evaluation() { return pipeline_->evaluation(); }
    PanelModel& panelModel() { return pipeline_->panel(); }
    EvaluationView& evaluationView() { return pipeline_->view(); }
    FrameAssembler& framer() { return pipeline_->framer(); }
    FrameLog& Memo1() { return pipeline_->frameLog(); }
    /** The reading path the window shows: framer, decoders, evaluation, log and chart. */
    ReadingPipeline& pipeline() { return *pipeline_; }

    /** Which receive handler start-up bound to COMM2: "H40VRData", "H20VRData" or empty. */
    QString boundFramer() const { return boundFramer_; }
    /** Value axis range last set on the trend chart (start-up, decoders). */
    double chartAxisMax() const { return chartAxisMax_; }
    double chartAxisMin() const { return chartAxisMin_; }
    /** Sets the trend chart's value axis range. */
    void setChartAxisRange(double max, double min);

    /** Replaces how message boxes are shown (tests answer them). */
    void setMessageAsker(std::unique_ptr<MessageAsker> asker);
    /** Replaces what ending the program does (tests record it). */
    void setTerminateHandler(std::function<void()> terminate);
    /** Replaces the record file dialogs (tests answer them). */
    void setRecordFileDialogs(std::unique_ptr<RecordFileDialogs> dialogs);
    /** Replaces how long file commands run with progress and Cancel (tests script them). */
    void setJobRunner(std::unique_ptr<JobRunner> runner);

    /** Shows a message box with an OK button and waits for it. */
    void showMessage(QMessageBox::Icon icon, const QString& text);
    /**
     * Reports an error met while handling received data, without waiting:
     * one non-modal box, reused, so a flood of bad frames can neither pile up
     * boxes nor stall the link.
     */
    void showReadingError(const QString& text);
    /** The reading-path notice, for tests. */
    WindowNotice& readingNotice() { return *readingNotice_; }
    /** The warning shown while the journal cannot be written, for tests. */
    WindowNotice& journalNotice() { return *journalNotice_; }
    /** The journal of logged rows. */
    Journal& journal() { return *journal_; }
    RecordsJournal& recordsJournal() { return *recordsJournal_; }
    /** Text of the journal warning for @p path and the system's @p reason. */
    static QString journalWarningText(const QString& path, const QString& reason);
    /**
     * Asks once whether rows a crashed or killed run never saved should come
     * back, and restores or discards them. Runs by itself when the event loop
     * starts after construction.
     */
    void offerRecovery();

    // ---- Top bar -------------------------------------------------------
    QPushButton* BtCOM1 = nullptr; ///< port panels, stacked on one spot
    QPushButton* BtCOM2 = nullptr;
    QPushButton* BtCOM3 = nullptr;
    QPushButton* BtCOM4 = nullptr;
    QToolButton* COMCon = nullptr; ///< "COM Connect"
    QToolButton* USBCon = nullptr; ///< "USB Connect"
    QCheckBox* checksystem = nullptr; ///< decimal mark: "." checked, "," unchecked
    QPushButton* BitBtn1 = nullptr; ///< "EXIT"

    // ---- Display and extremes ---------------------------------------------
    QWidget* Panel1 = nullptr; ///< virtual LCD of the meter
    QFrame* Panel3 = nullptr;
    QLabel* Label12 = nullptr; ///< "MAX: "
    QLabel* MaxText = nullptr;
    QLabel* MaxTextU = nullptr;
    QLabel* Label11 = nullptr; ///< "MIN: "
    QLabel* MinText = nullptr;
    QLabel* MinTextU = nullptr;

    // ---- Log options, file buttons and records grid -------------------------
    QCheckBox* RepeatSet = nullptr;
    CaptionGapCheckBox* RecordSI = nullptr;
    QLineEdit* RecordSITime = nullptr;
    QToolButton* RecordNew = nullptr;
    QToolButton* OpenDataFiles = nullptr;
    QToolButton* saveas = nullptr;
    QToolButton* BtPrint = nullptr;
    RecordsGridView* DBGrid1 = nullptr;
    RecordsTable* T20VDB = nullptr; ///< the records table, owned by the window

    // ---- Limits panel --------------------------------------------------------
    QFrame* Panel4 = nullptr;
    QLabel* T1_HI = nullptr;
    QLineEdit* T1HI = nullptr;
    QLabel* T1_Value = nullptr;
    QLineEdit* T1VALUE = nullptr;
    QLabel* T1_LO = nullptr;
    QLineEdit* T1LO = nullptr;
    ShapeCircle* Shape1 = nullptr;
    QLabel* judge = nullptr;
    QLabel* CONok = nullptr; ///< link icon: frames arriving
    QLabel* CONokN = nullptr; ///< link icon: no frames

    // ---- Trend chart -----------------------------------------------------------
    TrendChartWidget* Chtshow = nullptr; ///< with its tool row and the alarm limit boxes

    // ---- Controls outside the visible area ---------------------------------------
    QPushButton* BTCon = nullptr; ///< "Connect": runs START
    QPushButton* BtDiscon = nullptr; ///< "Disconnect": runs STOP
    QPushButton* BtExit = nullptr; ///< exit without question
    QFrame* KD = nullptr; ///< gauge panel, behind the limits panel
    QLabel* KD1 = nullptr;
    QLabel* KD2 = nullptr;
    QLabel* KdFd = nullptr;
    QLabel* KdSx = nullptr;
    QLabel* oltext = nullptr; ///< "OL !!", shown by the over-range alarm
    QToolButton* ReadBtn = nullptr; ///< USB segment-frame reading; in the connect group

    // ---- Main menu -----------------------------------------------------------------
    QMenu* ComSetup1 = nullptr;
    QAction* COM11 = nullptr;
    QAction* COM21 = nullptr;
    QAction* COM31 = nullptr;
    QAction* COM41 = nullptr;
    QMenu* Connect1 = nullptr;
    QAction* START1 = nullptr;
    QAction* STOP1 = nullptr;
    QMenu* Graphic1 = nullptr;
    QAction* First1 = nullptr;
    QAction* Previous1 = nullptr;
    QAction* Next1 = nullptr;
    QAction* Last1 = nullptr;
    QAction* New2 = nullptr; ///< Graphic "New"
    QAction* Save2 = nullptr; ///< Graphic "Save"
    QAction* Fill1 = nullptr;
    QMenu* Record1 = nullptr;
    QAction* New1 = nullptr; ///< Record "New"
    QAction* Save1 = nullptr; ///< Record "Save"
    QAction* N10001 = nullptr;
    QAction* N50001 = nullptr;
    QAction* N100001 = nullptr;
    QAction* N500001 = nullptr;
    QAction* N1000001 = nullptr;
    QAction* limitess = nullptr;
    QAction* Exit1 = nullptr;

    // ---- Timers ----------------------------------------------------------------------
    QTimer* ConTimer = nullptr; ///< 100 ms: link icon and USB watchdog
    QTimer* Trecord = nullptr; ///< 1000 ms: sampling interval countdown

    // ---- Subsystem objects the window creates ---------------------------------------
    TComPortDriver* COMM2 = nullptr; ///< serial driver
    RecordsTableModel* Data1 = nullptr; ///< the grid's view of T20VDB

    // ---- Handlers: start-up (tfcomm_startup.cpp) ----------------------------------------
    void FormCreate();

    // ---- Handlers: serial connection control (tfcomm_connection.cpp) ------------------------
    void COM11Click();
    void COM21Click();
    void COM31Click();
    void COM41Click();
    void BTCon1Click();
    void BtDiscon1Click();
    void COMConClick();
    void ConTimerTimer();
    /** Number of the chosen port, 1 to 4 (the panel shown, also when a detected device is chosen). */
    int chosenPort() const { return comPort_; }
    /** Keeps the started serial link alive across unplugging; owned by the window. */
    SerialLinkSupervisor* serialLink() { return serialLink_; }

    // ---- Detected serial devices in "ComSetup" (tfcomm_ports.cpp) ----------------------------
    /** Lists the serial devices present now below the COMn items; runs as the menu opens. */
    void refreshDetectedPorts();
    /** The detected-device items of "ComSetup", as the last refresh made them. */
    const QList<QAction*>& detectedPortItems() const { return detectedPortItems_; }
    /** Makes @p entry the chosen port: the panel shows its short name, the hint its path. */
    void chooseDetectedPort(const SerialPortEntry& entry);
    /** Replaces where the detected devices come from (tests). */
    void setPortListing(std::function<std::vector<SerialPortEntry>()> listing);

    /** The serial link's and the USB cable's non-blocking notices, for tests. */
    WindowNotice& linkNotice() { return *linkNotice_; }
    WindowNotice& usbNotice() { return *usbNotice_; }
    /** Whether the reading on screen is shown as stale (a link went away since it came). */
    bool readingShownStale() const;

    // ---- USB cable link (tfcomm_usb.cpp) --------------------------------------------------------
    QPushButton* SetFeature = nullptr; ///< sends the cable's feature report; out of sight
    QListWidget* DevListBox = nullptr; ///< one line per HID device; out of sight
    QListWidget* HistoryListBox = nullptr; ///< device events and reports; out of sight
    QToolButton* ClearBtn = nullptr; ///< "Clear": empties the history
    QToolButton* InfoBtn = nullptr; ///< "Info": identity of the selected device
    QLabel* USBtxt = nullptr; ///< invisible: frame text of the last USB frame
    void USBConClick();
    void SetFeatureClick();
    void ReadBtnClick();
    void ClearBtnClick();
    void InfoBtnClick();
    /** The USB link with `HidCtl`; null only when another HID controller already existed. */
    UsbCableLink* usbLink() { return usbLink_.get(); }
    // ---- Handlers: frame decoding (tfcomm_decode.cpp) ---------------------------------------
    /** Decodes the mode frame in FrameText and evaluates it. */
    void LcdDisplay40V();
    /** Decodes the segment frame in FrameText and evaluates it. */
    void LcdDisplay20V();

    // ---- Handlers: reading log and trend chart (tfcomm_records.cpp) ---------------------------
    ChartPager& chartPager();
    ReadingLog& readingLog();
    void INDataToTable();
    void RecordNewClick();
    void N10001Click();
    void N50001Click();
    void N100001Click();
    void N500001Click();
    void N1000001Click();
    void limitessClick();
    void RecordSITimeChange();
    void TrecordTimer();
    void BtFirstClick();
    void BTPreviousClick();
    void BtNextClick();
    void BTlastClick();
    void DELDATAClick();
    void BtNewClick();
    void BtSaveClick();
    void ShowSeries(int index);
    void btFillClick();
    void FillClick();
    void MaxrecordExit();
    void TbFdClick();

    // ---- Handlers: window and exits (tfcomm.cpp) ---------------------------------------------
    void BitBtn1Click();
    void BtExit1Click();
    void FormResize();
    void KDResize();

    // ---- Handlers: record files and printing (tfcomm_files.cpp) -----------------------------
    void saveasClick();
    void SpeedButton2Click();
    void BtPrintClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void connectRecordFiles();
    void showFileOutcome(const FileOutcome& outcome);
    void buildTopBar(QWidget* client);
    void buildDisplayArea(QWidget* client);
    void buildLogArea(QWidget* client);
    void buildLimitsPanel(QWidget* client);
    void buildHiddenControls(QWidget* client);
    void buildMenus();
    /** Places and letters the MAX and MIN captions so the widest value and unit fit. */
    void layOutExtremes();
    /** Places the log options from the left of the row up to @p right. */
    void layOutLogOptions(int top, int right);
    void connectConnectionControl();
    void choosePort(int port);
    QPushButton* visiblePortPanel() const;
    void showPortHint();
    void serialLinkLost(const QDateTime& when);
    void serialLinkReopened(const QDateTime& when);
    void clearSerialLoss();
    void usbCableLost(const QDateTime& when);
    void usbCableRestored(const QDateTime& when);
    void clearUsbLoss();
    void setReviewButtonsEnabled(bool enabled);
    void buildUsbLink(QWidget* client, std::unique_ptr<HidPlatform> platform);
    void buildRecording(QWidget* client);
    void connectRecording();
    void chooseRecordLimit(QAction* item);
    void connectDecoding();
    /** Fills in the evaluator's hooks; each area adds the hooks it serves. */
    void bindEvaluatorHooks();
    void showLinkActive();
    void showEvaluationView();
    void setUpRecordsGrid();

    void buildJournal();
    void startJournal();
    /** Records in the journal the port or cable readings come from. */
    void noteLogSource(const QString& source);
    /** Logging stopped: the journal commits at once. */
    void noteLoggingStopped();

    /** Rows the records table holds that were never saved. */
    int unsavedRecordCount() const;
    /** Asks the exit question when unsaved rows would be lost; true when the program may end. */
    bool mayDropUnsavedOnExit();
    /** Closes the records table and ends the program. */
    void closeRecordsAndTerminate();

    // Start-up steps, in FormCreate's order.
    void cs123();
    void startCountProfile();
    void startLastUnit();
    void openRecordsTable();
    void startLogState();
    void startChartSeries();
    void showFilledOrLine();
    void applyVariantOptions();
    void applyCountProfile();
    void startChartAxis();

    // ---- Subsystem objects ---------------------------------------------------------------------
    std::unique_ptr<Journal> journal_; ///< outlives the sink and the log that write into it
    std::unique_ptr<RecordsJournal> recordsJournal_;
    std::unique_ptr<RecordsTableSink> recordSink_; ///< outlives the pipeline, whose log writes into it
    std::unique_ptr<ReadingPipeline> pipeline_;

    // ---- Window state ----------------------------------------------------------------------------
    ExclusiveToggleGroup* connectGroup_ = nullptr;
    int comPort_ = 1;
    std::unique_ptr<MessageAsker> asker_;
    std::unique_ptr<RecordFileDialogs> fileDialogs_ = std::make_unique<QtRecordFileDialogs>();
    std::unique_ptr<JobRunner> jobRunner_ = std::make_unique<ProgressJobRunner>();
    std::function<void()> terminate_;
    WindowNotice* readingNotice_ = nullptr;
    RecordsGridColumns* gridColumns_ = nullptr;
    WindowNotice* linkNotice_ = nullptr;
    WindowNotice* usbNotice_ = nullptr;
    SerialLinkSupervisor* serialLink_ = nullptr;
    LinkHealthView* linkView_ = nullptr;
    QAction* detectedSeparator_ = nullptr;
    QList<QAction*> detectedPortItems_;
    std::function<std::vector<SerialPortEntry>()> portListing_;
    WindowNotice* journalNotice_ = nullptr;
    QString journalStartMessage_; ///< a damaged journal set aside at start, told once the window is up
    bool recoveryOffered_ = false;
    bool centred_ = false;

    // ---- USB cable link: the platform outlives the link ----
    std::unique_ptr<HidPlatform> hidPlatform_;
    std::unique_ptr<UsbCableLink> usbLink_;
    QString boundFramer_;
    double chartAxisMax_ = 4100;
    double chartAxisMin_ = -4100;
};
