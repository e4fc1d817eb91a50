#pragma once

#include <functional>
#include <memory>

#include <QDialog>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMovie;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTableView;
class QToolBar;
class DecryptedCopy;
class RestoreGrid;
class ZipArchive;

// What the restore window takes from the main window when it opens.
struct RestoreContext
{
    QString archiveFolder; // the destination folder of the profile
    QString tempFolder;    // where decrypted working copies go
    QString password;      // the archive password
    QString status;        // the text of the main window's first status panel
    std::function<void()> help;  // the main window's help command
    std::function<void()> forum; // opens the support forum page
    std::function<void()> about; // shows the about box
};

// The restore window: finds entries by file name in the archives of a folder and writes chosen
// ones back below a folder of the user's choice under their stored path.
class frmRestore : public QDialog
{
    Q_OBJECT
public:
    explicit frmRestore(const RestoreContext& context, QWidget* parent = nullptr);
    ~frmRestore() override;

    // The search over the chosen archives; not entered again while a search or restore runs.
    void cmdSearch_Click();
    // Stops the running search after the entry it examines, or the restore after its row.
    void cmdCacelSearch_Click();
    // Restores the rows from the current one to the other end of the selection, below the
    // folder of Drive1.
    void cmdRestore_Click();
    // A search or a restore is running.
    [[nodiscard]] bool isBusy() const { return m_busy; }
    [[nodiscard]] RestoreGrid* grid() const { return m_grid; }

    QLineEdit* txtPathSearch = nullptr;
    QPushButton* cmdSearchPath = nullptr;
    QListWidget* List3 = nullptr;
    QLineEdit* txtFileSearch = nullptr;
    QCheckBox* chkCaseSensitive = nullptr;
    QLineEdit* txtEncryptPassword = nullptr;
    QComboBox* Drive1 = nullptr; // the folder to restore to: typed, chosen or a mount point
    QPushButton* cmdRestorePath = nullptr;
    QLabel* lblSearchNote = nullptr; // what a search found nothing in, and why
    QTableView* FG3 = nullptr;
    QLabel* lblSearchedFiles = nullptr;
    QLabel* lblSearchedArchives = nullptr;
    QLabel* lblFoundFiles = nullptr;
    QLabel* lblFoundArchives = nullptr;
    QProgressBar* ProgressBar3 = nullptr;
    QLabel* Animation2 = nullptr;
    QLabel* Image1 = nullptr;
    QToolBar* tbTools = nullptr;
    QStatusBar* sbStatusBar = nullptr;

    // Escape and the window's close button: refused while work runs, which is cancelled and
    // the window closed once it has unwound.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct SearchState;
    struct RestoreState;

    void createControls();
    QWidget* createSearchPanel();
    QWidget* createStatistics();
    void createToolbar();
    void fillDrives();
    void setColumnWidths();
    void connectEvents();
    void Form_Load();
    void Form_Unload();

    void tbTools_ButtonClick(QAction* button);
    void tbTools_ButtonMenuClick(QAction* item);
    void FG3_DblClick();
    void cmdSearchPath_Click();
    void cmdRestorePath_Click();
    void txtPathSearch_Change();

    // Search steps
    [[nodiscard]] bool searchChecksPass();
    void startWork(const QString& clip);
    void endWork();
    void searchArchive(SearchState& s, int line);
    [[nodiscard]] bool openForSearch(SearchState& s, const QString& name);
    void searchEntries(SearchState& s);
    void showSearchCounters(const SearchState& s);
    void showSearchNote(const SearchState& s);
    void pumpWhileSearching(SearchState& s, bool force);

    // Restore steps
    [[nodiscard]] bool askBeforeRestore(RestoreState& r, int rows);
    void restoreRows(RestoreState& r, int first, int last);
    void restoreRow(RestoreState& r, int row);
    void pumpWhileRestoring(RestoreState& r);
    void showRestoreSummary(const RestoreState& r);
    [[nodiscard]] bool openForRestore(RestoreState& r, int row);
    [[nodiscard]] QString decryptForRestore(RestoreState& r, const QString& archive);
    void rowFailed(RestoreState& r, int row, const QString& description);
    [[nodiscard]] QString targetRoot() const;
    [[nodiscard]] bool temporaryFolderUsable() const;
    void showDecryptionError();

    void playClip(const QString& name);
    void setCommandsIdle(bool idle);
    [[nodiscard]] QAction* button(const char* key) const;

    // Pending window messages are served this often while work runs: often enough for a cancel
    // to take effect at once, seldom enough that serving them costs little beside the work.
    static constexpr qint64 kPumpMs = 20;

    RestoreContext m_context;
    RestoreGrid* m_grid = nullptr;
    QMovie* m_movie = nullptr;
    std::unique_ptr<ZipArchive> Zip;
    bool cancelSearch = false;
    bool firstHitInArchive = false;
    bool m_busy = false;
    bool m_closeWhenIdle = false;
    bool m_unloaded = false;
};
