#pragma once

#include <QString>

class PictureView;
class ScratchPicture;

// Where a picture, or something made from it, is offered to be saved, for every save
// dialog alike. No widgets here.
namespace save_places
{

// The picture's name to save it under, without a suffix: a made picture's own ("屏幕截图 …",
// "… 裁剪 N"), "剪贴板 yyyy-MM-dd HH-mm-ss" for a paste, else its file's base name.
QString nameOf(const PictureView& view, const ScratchPicture& made);
// The folder a save dialog opens in: the file's own for a file; for a picture with no file
// of its own, the one the last such save went to (under `lastKey` in the settings), else
// Pictures.
QString folderFor(const PictureView& view, const QString& lastKey);

} // namespace save_places
