#pragma once

#include <QString>
#include <QWidget>

// A small window of an instrument that stays above the viewer: shown and hidden by a key
// and the picture's menu, placed beside the viewer the first time, and remembered between
// runs (whether it is shown and where), under a settings group of its own.
class ToolWindow : public QWidget
{
public:
    // Where it goes beside the viewer the first time: level with its top or its bottom.
    enum class Level { Top, Bottom };
    ToolWindow(QWidget* viewer, const QString& settingsGroup, Level level);

    bool shown() const { return isVisible(); }
    void setShown(bool shown);
    // Where it was last put; shows it again, once the viewer is up, if it was shown.
    void restore();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void remember() const;
    void placeBesideViewer();
    void showOnceViewerIsUp();

    QString group_;
    Level level_;
    bool placed_ = false;
    bool showWhenViewerIsUp_ = false;
};
