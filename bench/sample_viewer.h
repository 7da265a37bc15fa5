#pragma once

#include "instruments/instruments.h"
#include "viewer/main_window.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

// A viewer as a person has it on a full-HD screen, with every instrument, showing `picture`
// through the window's own loading path (written to a scratch file first); null when the
// file cannot be written.
inline std::unique_ptr<frmVelmora> viewerShowing(const QImage& picture, const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("sample.bmp"));
    if (!picture.save(path))
        return nullptr;
    auto w = std::make_unique<frmVelmora>();
    attachInstruments(*w);
    w->show();
    w->resize(1960, 1200);
    QCoreApplication::processEvents();
    w->runHandler([&] { w->OpenPicture(path); });
    QCoreApplication::processEvents();
    return w;
}

inline double medianOf(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
