#pragma once

#include <QObject>

// How the picture now being opened was asked for, told by the instrument that opens it to
// those that treat openings differently: a walk through a folder is looking, not choosing,
// and fills no list of recent files. One, made where the instruments are attached.
class PictureOpening : public QObject
{
public:
    using QObject::QObject;
    bool walking = false;
};
