#pragma once
// The monitor's main window: the 31 channel panels, the menus and the status
// bar. It owns the communication object and the loop's stop flag; the
// composition of the program (app/MonitorApp) wires its menu commands.

#include <QMainWindow>

#include <functional>
#include <memory>

class MainMenu;
class MonitorPanels;
class QStatusBar;
class SettingsStore;
class VtxPort;
struct SharedState;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain(SharedState &state, SettingsStore &store, QWidget *parent = nullptr);

    // The window's caption; the splash window shows it as the product name.
    static inline const QString Caption = QStringLiteral("VTX-501-M Monitor");
    ~frmMain() override;

    // Load handling: creates the communication object (by the factory, so
    // that tests can put a stand-in there) and restores the geometry.
    void Form_Load(std::function<std::unique_ptr<VtxPort>()> createVtx);

    // Unload handling: saves names, monitoring states and (unless minimised)
    // the geometry, then unloads every other window through unloadOthers.
    void Form_Unload();
    std::function<void()> unloadOthers;

    // Panel titles and visibility from the channel table.
    void SetMainWindow();
    void setStatusText(const QString &text);

    MonitorPanels *panels() const { return panels_; }
    MainMenu *menu() const { return menu_; }

    // The communication object, from load handling until the end sequence.
    std::unique_ptr<VtxPort> Vtx;
    // Ends the main loop after its current step.
    bool StopRequest = false;

protected:
    // A close that does not come through File > Exit (window manager, log-off)
    // ends the program through the same end sequence as File > Exit.
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void moveOntoScreen();
    void applyOuterSize();

    SharedState &state_;
    SettingsStore &store_;
    MonitorPanels *panels_ = nullptr;
    MainMenu *menu_ = nullptr;
    QStatusBar *statusBar_ = nullptr;
    QSize requestedOuterSize_;
    bool unloaded_ = false;
    bool outerSizeApplied_ = false;
};
