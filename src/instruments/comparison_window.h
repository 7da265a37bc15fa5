#pragma once

#include "instruments/tool_window.h"

class Comparison;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The tool window 对比: the mode, the overlay's opacity, the tolerance and whether pixels
// beyond it are marked, the offset, the counts and a note (why a picture could not be
// read), with 自动对齐 and 框出不同. It sets the comparison and shows what it holds; what the
// buttons do and what ends the comparison are its owner's.
class ComparisonWindow : public ToolWindow
{
    Q_OBJECT
public:
    ComparisonWindow(Comparison& comparison, QWidget* viewer);

    // Shows what the comparison holds now, with the counts given.
    void showState(const QString& counts);
    void setNote(const QString& note);
    QString note() const;
    QString countsText() const;

signals:
    void alignAsked();
    void boxesAsked();
    // Esc or the close button: the comparison is to end.
    void endAsked();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Comparison& comparison_;
    QComboBox* mode_;
    QSpinBox* opacity_;
    QSpinBox* tolerance_;
    QCheckBox* marking_;
    QLabel* offset_;
    QLabel* counts_;
    QLabel* note_;
    QPushButton* align_;
    QPushButton* boxes_;
};
