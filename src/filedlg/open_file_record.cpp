#include "filedlg/open_file_record.h"

#include "toolkit/runtime_error.h"

#include <limits>

namespace
{
constexpr QChar Nul = QChar(0);
}

QString buildFilterList(const QString& filter)
{
    // The length has always been counted in a 16-bit integer; longer filters overflow.
    if (filter.size() > std::numeric_limits<qint16>::max())
        toolkit::raiseError(toolkit::Err::Overflow);

    QString list;
    list.reserve(filter.size() + 2);
    for (const QChar c : filter)
        list.append(c == u'|' || c == u':' ? Nul : c);
    list.append(Nul);
    list.append(Nul);
    return list;
}

QString makeBuffer(const OptionalText& text, int size)
{
    const QString value = text.value_or(QString());
    // Callers rely on their name reaching the dialog whole, so refuse rather than cut it.
    if (value.size() > size)
        toolkit::raiseError(toolkit::Err::InvalidProcedureCall);
    return value + QString(size - value.size(), Nul);
}

QString TrimNull(const QString& text)
{
    const qsizetype end = text.indexOf(Nul);
    return end < 0 ? text : text.left(end);
}

OpenFileRecord buildOpenFileRecord(quintptr Owner, const OptionalText& Filename,
                                   const QString& Filter, bool MultiSelect, bool FileMustExist,
                                   bool ReadOnly, bool HideReadOnly, qint32 FilterIndex,
                                   const OptionalText& InitDir, const OptionalText& DefaultExt,
                                   const OptionalText& FileTitle, const OptionalText& DlgTitle,
                                   qint32 flags)
{
    // flags is accepted so existing calls keep compiling; the record's options come only
    // from the four switches below, and no hook or template is ever installed.
    Q_UNUSED(flags);

    OpenFileRecord record;
    record.lStructSize = OpenFileRecordSize;

    if (FileMustExist)
        record.Flags |= OFN_FILEMUSTEXIST;
    if (MultiSelect)
        record.Flags |= OFN_ALLOWMULTISELECT;
    if (ReadOnly)
        record.Flags |= OFN_READONLY;
    if (HideReadOnly)
        record.Flags |= OFN_HIDEREADONLY;

    record.hwndOwner = Owner;
    record.lpstrInitialDir = InitDir;
    record.lpstrDefExt = DefaultExt;
    record.lpstrTitle = DlgTitle;

    record.lpstrFilter = buildFilterList(Filter);
    record.nFilterIndex = FilterIndex;

    record.lpstrFile = makeBuffer(Filename, FileBufferSize);
    record.nMaxFile = FileBufferSize;
    record.lpstrFileTitle = makeBuffer(FileTitle, FileBufferSize);
    record.nMaxFileTitle = FileBufferSize;
    return record;
}

QList<FilterItem> parseFilterList(const QString& list)
{
    const QStringList parts = list.split(Nul);
    QList<FilterItem> items;
    // A description with no pattern string after it is where the list ended, not an entry.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts.at(i);
        const QString& patterns = parts.at(i + 1);
        if (description.isEmpty() || patterns.isEmpty())
            break;
        FilterItem item{description, {}};
        for (const QString& pattern : patterns.split(u';')) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                item.patterns.append(trimmed);
        }
        items.append(item);
    }
    return items;
}

QString toQtNameFilter(const FilterItem& item)
{
    QStringList patterns;
    for (const QString& pattern : item.patterns) {
        // "*.*" means every file to our users, including names without a dot.
        patterns.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    return QStringLiteral("%1 (%2)").arg(item.description, patterns.join(u' '));
}

int selectedFilterPosition(qint32 filterIndex, int count)
{
    return filterIndex >= 1 && filterIndex <= count ? filterIndex - 1 : 0;
}
