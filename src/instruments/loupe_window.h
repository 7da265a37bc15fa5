#pragma once

#include "instruments/loupe.h"
#include "instruments/tool_window.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QStaticText>
#include <QString>
#include <map>

class QContextMenuEvent;
class QKeyEvent;
class QPainter;

// The loupe's tool window: the squares, the texts under them, + and - and a context menu.
// It shows what its loupe holds, sized for the loupe's count.
class Loupe::View : public ToolWindow
{
public:
    View(Loupe& loupe, QWidget* owner);

    // The picture changed, or the centre or the count did.
    void changed();
    int squaresSide() const;
    // Sized for the count: measured again only when it changes.
    void fitSize();

protected:
    void paintSquares(QPainter& painter);
    void paintTexts(QPainter& painter);
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Screen pixels a side of one image pixel on the window's screen.
    int cell() const;
    // A caption laid out once: captions do not change as the pointer moves.
    const QStaticText& staticCaption(const QString& text);
    QList<QPointF> figureAdvances(const QString& figures) const;
    // The character of `characters` that the figures' font draws widest.
    QChar widest(const QString& characters) const;
    qreal figuresWidth(const QString& figures) const;
    void drawFigures(QPainter& painter, QPointF baseline, const QString& figures);

    Loupe& loupe_;
    // The squares and the texts, each painting the whole of itself.
    QWidget* squares_;
    QWidget* texts_;
    QImage image_;
    bool stale_ = true;
    QRawFont figureFont_;
    std::map<QString, QStaticText> captions_;
};
