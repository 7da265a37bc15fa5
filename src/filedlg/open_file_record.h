#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

// A text argument that may be absent (a null pointer in the record) or present, possibly
// empty (a pointer to an empty string). The two mean different things to the dialog.
using OptionalText = std::optional<QString>;

// Option bits of OpenFileRecord::Flags.
inline constexpr qint32 OFN_READONLY = 0x1;
inline constexpr qint32 OFN_OVERWRITEPROMPT = 0x2;
inline constexpr qint32 OFN_HIDEREADONLY = 0x4;
inline constexpr qint32 OFN_ENABLEHOOK = 0x20;
inline constexpr qint32 OFN_ENABLETEMPLATE = 0x40;
inline constexpr qint32 OFN_ALLOWMULTISELECT = 0x200;
inline constexpr qint32 OFN_FILEMUSTEXIST = 0x1000;
inline constexpr qint32 OFN_EXPLORER = 0x80000;

// Size the record declares for itself: the 76-byte form, without the later extensions.
inline constexpr qint32 OpenFileRecordSize = 76;
// Characters in the file and title buffers handed to the dialog.
inline constexpr int FileBufferSize = 260;

// Everything the open-file or save-file dialog is told and everything it answers in. The buffers
// hold their NULs literally so the record reads exactly as the dialog would see it.
struct OpenFileRecord {
    qint32 lStructSize = 0;
    quintptr hwndOwner = 0;
    quintptr hInstance = 0;
    QString lpstrFilter;
    OptionalText lpstrCustomFilter;
    qint32 nMaxCustFilter = 0;
    qint32 nFilterIndex = 0;
    QString lpstrFile;
    qint32 nMaxFile = 0;
    QString lpstrFileTitle;
    qint32 nMaxFileTitle = 0;
    OptionalText lpstrInitialDir;
    OptionalText lpstrTitle;
    qint32 Flags = 0;
    // Answers the dialog could give about the chosen name; nothing here reads them.
    quint16 nFileOffset = 0;
    quint16 nFileExtension = 0;
    OptionalText lpstrDefExt;
    qintptr lCustData = 0;
    quintptr lpfnHook = 0;
    OptionalText lpTemplateName;

    bool operator==(const OpenFileRecord&) const = default;
};

// One entry of a filter list: what the user reads and the patterns it stands for.
struct FilterItem {
    QString description;
    QStringList patterns;

    bool operator==(const FilterItem&) const = default;
};

// The dialog's filter list from the user-facing form: each '|' and ':' becomes a NUL and two
// NULs close the list. Raises Overflow when Filter is longer than 32,767 characters.
QString buildFilterList(const QString& filter);

// Text followed by NULs up to exactly size characters; an absent text reads as empty.
// Raises InvalidProcedureCall when the text does not fit.
QString makeBuffer(const OptionalText& text, int size);

// The part of text before its first NUL, or all of it.
QString TrimNull(const QString& text);

// The record ShowOpen hands to the dialog for the given arguments.
OpenFileRecord buildOpenFileRecord(quintptr Owner, const OptionalText& Filename,
                                   const QString& Filter, bool MultiSelect, bool FileMustExist,
                                   bool ReadOnly, bool HideReadOnly, qint32 FilterIndex,
                                   const OptionalText& InitDir, const OptionalText& DefaultExt,
                                   const OptionalText& FileTitle, const OptionalText& DlgTitle,
                                   qint32 flags);

// Reads a NUL-separated filter list as the dialog does: description and pattern strings in
// turn, up to the empty string that ends the list. Patterns are split on ';' and trimmed.
QList<FilterItem> parseFilterList(const QString& list);

// The entry as a Qt name filter, e.g. "(bmp/jpg/gif) (*.bmp *.gif *.jpg)".
QString toQtNameFilter(const FilterItem& item);

// Position (0-based) of the entry a 1-based filter index selects among count entries; an
// index out of range selects the first.
int selectedFilterPosition(qint32 filterIndex, int count);
