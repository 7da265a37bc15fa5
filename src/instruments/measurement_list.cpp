#include "instruments/measurement_list.h"

#include "filedlg/file_dlg.h"
#include "instruments/measurement_store.h"
#include "instruments/tool_window.h"
#include "toolkit/runtime_error.h"
#include "toolkit/services.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QTableView>
#include <QVBoxLayout>

using namespace measurement;

namespace
{

const QString kFolderKey = QStringLiteral("measurements/folder");
// The columns that hold text rather than figures: kind, colour and unit.
constexpr int kKindColumn = 1;
constexpr int kColourColumn = 10;
constexpr int kUnitColumn = 11;

} // namespace

// The kept measurements as rows of texts, worked out again only when they or the unit change.
class MeasurementList::Model : public QAbstractTableModel
{
public:
    explicit Model(QObject* parent) : QAbstractTableModel(parent) {}

    void reset(QList<Row> rows)
    {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    }

    void append(Row row)
    {
        beginInsertRows({}, rowCount(), rowCount());
        rows_ << std::move(row);
        endInsertRows();
    }

    void refresh(QList<Row> rows)
    {
        rows_ = std::move(rows);
        if (!rows_.isEmpty())
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(rows_.size());
    }

    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(header_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DisplayRole)
            return rows_.at(index.row()).fields().at(index.column());
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(alignment(index.column()));
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal)
            return {};
        if (role == Qt::DisplayRole)
            return header_.at(section);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(alignment(section));
        return {};
    }

private:
    static Qt::Alignment alignment(int column)
    {
        const bool text = column == kKindColumn || column == kColourColumn || column == kUnitColumn;
        return Qt::AlignVCenter | (text ? Qt::AlignLeft : Qt::AlignRight);
    }

    const QStringList header_ = headerRow().fields();
    QList<Row> rows_;
};

// The window: the table over a row of buttons.
class MeasurementList::View : public ToolWindow
{
public:
    View(MeasurementList& list, QWidget* viewer)
        : ToolWindow(viewer, QStringLiteral("measurements"), Level::Bottom),
          table_(new QTableView(this)), clear_(new QPushButton(MeasurementList::tr("全部清除"))),
          save_(new QPushButton(MeasurementList::tr("另存为 CSV…")))
    {
        setObjectName(QStringLiteral("measurementList"));
        setWindowTitle(MeasurementList::tr("测量"));
        table_->setSelectionBehavior(QAbstractItemView::SelectRows);
        table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
        table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table_->verticalHeader()->hide();
        table_->horizontalHeader()->setStretchLastSection(true);
        table_->verticalHeader()->setDefaultSectionSize(fontMetrics().lineSpacing() + 6);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(clear_);
        buttons->addStretch();
        buttons->addWidget(save_);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(table_);
        layout->addLayout(buttons);
        resize(fontMetrics().averageCharWidth() * 110, fontMetrics().lineSpacing() * 16);
        connect(clear_, &QPushButton::clicked, &list,
                [&list] { list.afterThisEvent([&list] { list.store_.clear(); }); });
        connect(save_, &QPushButton::clicked, &list,
                [&list] { list.afterThisEvent([&list] { list.saveCsvAs(); }); });
        // Delete, Ctrl+C and Ctrl+Shift+C are the viewer's own, and reach it from here too, as
        // a tool window's keys do: a second shortcut for them here made both ambiguous.
    }

    QTableView* table() const { return table_; }

    // Wide enough for the header and the widest figure each column can hold, set once: no
    // measuring of a thousand rows as they come.
    void fitColumns(const QStringList& header)
    {
        const QStringList widest = {QStringLiteral("000"),
                                    MeasurementList::tr("线段"),
                                    QStringLiteral("0000"),
                                    QStringLiteral("0000"),
                                    QStringLiteral("0000"),
                                    QStringLiteral("0000"),
                                    QStringLiteral("-000.00"),
                                    QStringLiteral("-000.00"),
                                    QStringLiteral("00000.00"),
                                    QStringLiteral("-000.00"),
                                    QStringLiteral("#DDDDDD"),
                                    QStringLiteral("px"),
                                    QStringLiteral("00.00:1 ") + MeasurementList::tr("AA 大字")};
        const QFontMetrics metrics(table_->horizontalHeader()->font());
        const int padding = 2 * metrics.averageCharWidth();
        for (int column = 0; column < header.size(); ++column)
            table_->setColumnWidth(column, std::max(metrics.horizontalAdvance(header[column]),
                                                    metrics.horizontalAdvance(widest[column])) +
                                               padding);
    }

    void enableButtons(bool any)
    {
        clear_->setEnabled(any);
        save_->setEnabled(any);
    }

private:
    QTableView* table_;
    QPushButton* clear_;
    QPushButton* save_;
};

MeasurementList::MeasurementList(frmVelmora& window, MeasurementStore& store)
    : Instrument(window), store_(store), model_(new Model(this)),
      view_(new View(*this, dialogOwner()))
{
    setObjectName(QStringLiteral("measurementList"));
    view_->table()->setModel(model_);
    view_->fitColumns(headerRow().fields());
    view_->enableButtons(false);
    connect(view_->table()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MeasurementList::takeSelection);
    connect(&store, &MeasurementStore::added, this, &MeasurementList::added);
    connect(&store, &MeasurementStore::removed, this, &MeasurementList::keptChanged);
    connect(&store, &MeasurementStore::selectionChanged, this, &MeasurementList::showSelection);
    // The rows offer a scale too, from the line selected there; whoever sets scales hears it.
    auto* scale = new QAction(tr("设定比例…"), view_->table());
    connect(scale, &QAction::triggered, this, [this] {
        if (const auto line = store_.lineFor(measurement::Placement{}, std::nullopt))
            store_.requestScale(*line);
    });
    view_->table()->addAction(scale);
    view_->table()->setContextMenuPolicy(Qt::ActionsContextMenu);
    claimKey(QKeySequence(Qt::Key_M), [this] {
        setShown(!shown());
        return true;
    });
    view_->restore();
}

MeasurementList::~MeasurementList()
{
    // Its own window, though the viewer is its parent for staying above it.
    delete view_;
}

bool MeasurementList::shown() const
{
    return view_->shown();
}

void MeasurementList::setShown(bool shown)
{
    view_->setShown(shown);
}

QTableView* MeasurementList::table() const
{
    return view_->table();
}

void MeasurementList::added(int index)
{
    const units::PixelsPerInch perInch = window().pixelsPerInch();
    model_->append(rowOf(store_.at(index), index + 1, window().unit(), perInch.x, perInch.y));
    view_->enableButtons(true);
    // The one just kept comes into sight.
    if (view_->isVisible())
        view_->table()->scrollToBottom();
}

void MeasurementList::unitsChanged()
{
    // Figures that cannot be worked out are reported where they are asked for (the box,
    // Ctrl+C); the list shows none rather than report them again.
    try {
        model_->refresh(rows());
    } catch (const toolkit::RuntimeError&) {
        model_->reset({});
    }
}

void MeasurementList::keptChanged()
{
    model_->reset(rows());
    view_->enableButtons(store_.count() > 0);
    showSelection();
}

void MeasurementList::showSelection()
{
    QItemSelection rows;
    for (const int index : store_.selection())
        rows.select(model_->index(index, 0), model_->index(index, model_->columnCount() - 1));
    // The table tells its selection back, which is the store's already: nothing changes then.
    view_->table()->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    if (!rows.isEmpty())
        view_->table()->scrollTo(rows.first().topLeft());
}

void MeasurementList::takeSelection()
{
    std::vector<int> indexes;
    for (const QModelIndex& row : view_->table()->selectionModel()->selectedRows())
        indexes.push_back(row.row());
    store_.setSelection(std::move(indexes));
}

void MeasurementList::saveCsvAs()
{
    QSettings settings;
    // Named for the picture, so that the table of each screenshot can be told apart.
    const QString picture = window().pictureFrom() == PictureView::From::File
                                ? QFileInfo(window().picturePath()).completeBaseName()
                                : QString();
    OptionalText name = picture.isEmpty() ? tr("测量.csv") : tr("%1 测量.csv").arg(picture);
    // The whole entry as its description, so that the dialog shows it with its pattern.
    const QString path = clsFileDlg().ShowSave(
        quintptr(view_->winId()), &name, tr("CSV 文件 (*.csv)") + QStringLiteral("|*.csv"), 1,
        settings.value(kFolderKey).toString(), QStringLiteral("csv"), tr("另存为 CSV"));
    if (path.isEmpty())
        return;
    settings.setValue(kFolderKey, QFileInfo(path).absolutePath());
    saveCsv(path);
}

bool MeasurementList::saveCsv(const QString& path)
{
    // Written whole or not at all: a failure leaves an earlier file as it was.
    QSaveFile file(path);
    // With a byte-order mark: spreadsheets that guess the encoding then read the Chinese
    // headers as UTF-8.
    const QByteArray bytes =
        "\xEF\xBB\xBF" + commaSeparated(rows(), units::symbol(window().unit())).toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    toolkit::MsgBox(view_,
                    tr("无法保存 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
    return false;
}

void MeasurementList::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    if (window().picture().isNull())
        return;
    QAction* toggle = addMenuEntry(menu, tr("显示测量列表"), [this] { setShown(!shown()); });
    toggle->setCheckable(true);
    toggle->setChecked(shown());
    QAction* clear = addMenuEntry(menu, tr("清除全部测量"), [this] { store_.clear(); });
    clear->setEnabled(store_.count() > 0);
}

QList<Row> MeasurementList::rows() const
{
    return rowsOf(store_.all(), window().unit(), window().pixelsPerInch());
}
