#include "filedlg/file_dlg.h"
#include "toolkit/runtime_error.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace
{

const QString WindowFilter = QStringLiteral("(bmp/jpg/gif)|*.bmp;*.gif;*.jpg|");

QString nuls(int count)
{
    return QString(count, QChar(0));
}

// The error number a call raised, or 0 when it returned.
int errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const toolkit::RuntimeError& error) {
        return error.number();
    }
    return 0;
}

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// Runs an action on the modal file dialog once it is up, then closes it if the action did
// not, so a failing check cannot leave the test stuck in the dialog's loop.
class DialogDriver
{
public:
    explicit DialogDriver(std::function<void(QFileDialog&)> action) : action_(std::move(action))
    {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer_.stop();
            action_(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        timer_.start(10);
    }

private:
    std::function<void(QFileDialog&)> action_;
    QTimer timer_;
};

// The files the dialog offers in its folder, once it has finished reading the folder.
QStringList offeredFiles(QFileDialog& dialog)
{
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (!model)
        return {QStringLiteral("<no model>")};
    const QModelIndex folder = model->index(dialog.directory().absolutePath());
    const auto read = [&] {
        QStringList names;
        for (int row = 0; row < model->rowCount(folder); ++row) {
            const QModelIndex entry = model->index(row, 0, folder);
            if (!model->isDir(entry) && (model->flags(entry) & Qt::ItemIsEnabled))
                names.append(entry.data().toString());
        }
        names.sort();
        return names;
    };
    QStringList names;
    const bool settled = QTest::qWaitFor(
        [&] {
            const QStringList before = read();
            QTest::qWait(100);
            names = read();
            return !names.isEmpty() && names == before;
        },
        5000);
    return settled ? names : QStringList{QStringLiteral("<still reading>")};
}

} // namespace

class tst_FileDlg : public QObject
{
    Q_OBJECT

    // Holds PHOTO.JPG, a.bmp, notes.txt and README.
    QTemporaryDir pictures_;

private slots:
    void initTestCase()
    {
        // Keep the dialog's remembered folders out of the user's own settings.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(pictures_.isValid());
        for (const char* name : {"PHOTO.JPG", "a.bmp", "notes.txt", "README"})
            touch(pictures_.filePath(QString::fromLatin1(name)));
    }

    void cleanup() { clsFileDlg::setBackend(nullptr); }

    void record_data()
    {
        QTest::addColumn<bool>("defaults");
        QTest::newRow("window's call") << false;
        QTest::newRow("all defaults") << true;
    }

    void record()
    {
        QFETCH(bool, defaults);
        auto& script = ScriptedOpenFileBackend::install();
        if (defaults)
            clsFileDlg().ShowOpen();
        else
            clsFileDlg().ShowOpen(0x4711, QString(""), WindowFilter, false, true, false, false, 1,
                                  std::nullopt, QString(""), std::nullopt, std::nullopt, 0);

        OpenFileRecord expected;
        expected.lStructSize = 76;
        expected.hwndOwner = defaults ? 0 : 0x4711;
        expected.lpstrFilter = defaults ? "All (*.*)" + nuls(1) + " *.*" + nuls(2)
                                        : "(bmp/jpg/gif)" + nuls(1) + "*.bmp;*.gif;*.jpg" + nuls(3);
        expected.nFilterIndex = 1;
        expected.lpstrFile = nuls(260);
        expected.nMaxFile = 260;
        expected.lpstrFileTitle = nuls(260);
        expected.nMaxFileTitle = 260;
        expected.Flags = 0x1000;
        expected.lpstrDefExt = QString("");
        QCOMPARE(script.records().size(), 1);
        QVERIFY(script.records().first() == expected);
    }

    void filterList_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("list");
        QTest::newRow("empty") << QString() << nuls(2);
        QTest::newRow("colons") << "Pictures:*.png|Text:*.txt"
                                << "Pictures" + nuls(1) + "*.png" + nuls(1) + "Text" + nuls(1) +
                                       "*.txt" + nuls(2);
        QTest::newRow("blanks kept") << " A | *.a ; *.b "
                                     << " A " + nuls(1) + " *.a ; *.b " + nuls(2);
        QTest::newRow("separators only") << "|:" << nuls(4);
    }

    void filterList()
    {
        QFETCH(QString, filter);
        QFETCH(QString, list);
        auto& script = ScriptedOpenFileBackend::install();
        clsFileDlg().ShowOpen(0, std::nullopt, filter);
        QCOMPARE(script.records().value(0).lpstrFilter, list);
    }

    void flags_data()
    {
        QTest::addColumn<bool>("multiSelect");
        QTest::addColumn<bool>("mustExist");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("hideReadOnly");
        QTest::addColumn<qint32>("flags");
        QTest::newRow("none") << false << false << false << false << 0;
        QTest::newRow("multi") << true << false << false << false << 0x200;
        QTest::newRow("read-only") << false << false << true << false << 0x1;
        QTest::newRow("hide read-only") << false << false << false << true << 0x4;
        QTest::newRow("all") << true << true << true << true << 0x1205;
    }

    void flags()
    {
        QFETCH(bool, multiSelect);
        QFETCH(bool, mustExist);
        QFETCH(bool, readOnly);
        QFETCH(bool, hideReadOnly);
        QFETCH(qint32, flags);
        auto& script = ScriptedOpenFileBackend::install();
        // Bits passed in flags must not reach the record.
        clsFileDlg().ShowOpen(0, std::nullopt, WindowFilter, multiSelect, mustExist, readOnly,
                              hideReadOnly, 1, std::nullopt, QString(""), std::nullopt,
                              std::nullopt, OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_EXPLORER);
        QCOMPARE(script.records().value(0).Flags, flags);
    }

    void absentOrEmptyTexts_data()
    {
        QTest::addColumn<OptionalText>("text");
        QTest::newRow("absent") << OptionalText();
        QTest::newRow("empty") << OptionalText("");
        QTest::newRow("given") << OptionalText("/srv/bilder");
    }

    void absentOrEmptyTexts()
    {
        QFETCH(OptionalText, text);
        auto& script = ScriptedOpenFileBackend::install();
        clsFileDlg dlg;
        dlg.ShowOpen(0, std::nullopt, WindowFilter, false, true, false, false, 1, text,
                     std::nullopt, std::nullopt, std::nullopt);
        dlg.ShowOpen(0, std::nullopt, WindowFilter, false, true, false, false, 1, std::nullopt,
                     text, std::nullopt, std::nullopt);
        dlg.ShowOpen(0, std::nullopt, WindowFilter, false, true, false, false, 1, std::nullopt,
                     std::nullopt, std::nullopt, text);
        QCOMPARE(script.records().size(), 3);
        QVERIFY(script.records().at(0).lpstrInitialDir == text);
        QVERIFY(script.records().at(1).lpstrDefExt == text);
        QVERIFY(script.records().at(2).lpstrTitle == text);
    }

    void limits_data()
    {
        QTest::addColumn<int>("nameLength");
        QTest::addColumn<int>("titleLength");
        QTest::addColumn<int>("filterLength");
        QTest::addColumn<int>("error");
        const int invalid = toolkit::Err::InvalidProcedureCall;
        QTest::newRow("Filename 260") << 260 << 0 << 10 << 0;
        QTest::newRow("Filename 261") << 261 << 0 << 10 << invalid;
        QTest::newRow("FileTitle 260") << 0 << 260 << 10 << 0;
        QTest::newRow("FileTitle 261") << 0 << 261 << 10 << invalid;
        QTest::newRow("Filter 32767") << 1 << 1 << 32767 << 0;
        QTest::newRow("Filter 32768") << 1 << 1 << 32768 << int(toolkit::Err::Overflow);
    }

    void limits()
    {
        QFETCH(int, nameLength);
        QFETCH(int, titleLength);
        QFETCH(int, filterLength);
        QFETCH(int, error);
        const QString name(nameLength, u'n');
        const QString title(titleLength, u't');
        const QString filter = "Any|" + QString(filterLength - 4, u'*');
        auto& script = ScriptedOpenFileBackend::install();
        QCOMPARE(errorOf([&] {
                     clsFileDlg().ShowOpen(0, name, filter, false, true, false, false, 1,
                                           std::nullopt, QString(""), title);
                 }),
                 error);
        if (error) {
            QVERIFY2(script.records().isEmpty(), "no dialog may be shown");
            return;
        }
        const OpenFileRecord& record = script.records().value(0);
        QCOMPARE(record.lpstrFile, name + nuls(260 - nameLength));
        QCOMPARE(record.lpstrFileTitle, title + nuls(260 - titleLength));
        QCOMPARE(record.lpstrFilter.size(), filterLength + 2);
    }

    void answers_data()
    {
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<QString>("path");
        QTest::newRow("cancelled") << false << QString();
        QTest::newRow("chinese with blanks")
            << true << QString::fromUtf8("/home/用户/我的 图片/照片 一.jpg");
        QTest::newRow("longer than 260") << true << "/data/" + QString(300, u'd') + "/x.gif";
    }

    void answers()
    {
        QFETCH(bool, chosen);
        QFETCH(QString, path);
        auto& script = ScriptedOpenFileBackend::install();
        if (chosen)
            script.answer(path);
        else
            script.cancel();
        // The name passed in must not come back when nothing was chosen.
        QCOMPARE(clsFileDlg().ShowOpen(0, QString("old.bmp")), path);
    }

    void trimNull_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("no NUL") << "abc"
                                << "abc";
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("inner NULs") << "ab" + nuls(1) + "cd" + nuls(1) << "ab";
        QTest::newRow("leading NUL") << nuls(1) + "ab" << QString();
    }

    void trimNull()
    {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        QCOMPARE(TrimNull(text), trimmed);
    }

    void dialogFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<qint32>("index");
        QTest::addColumn<QStringList>("offered");
        const QString two = QStringLiteral("Text|*.TXT|Pictures|*.jpg;*.bmp");
        const QStringList all{"PHOTO.JPG", "README", "a.bmp", "notes.txt"};
        QTest::newRow("window's") << WindowFilter << 1 << QStringList{"PHOTO.JPG", "a.bmp"};
        QTest::newRow("default offers all") << QStringLiteral("All (*.*)| *.*") << 1 << all;
        QTest::newRow("no filter") << QString() << 1 << all;
        QTest::newRow("first of two") << two << 1 << QStringList{"notes.txt"};
        QTest::newRow("second of two") << two << 2 << QStringList{"PHOTO.JPG", "a.bmp"};
        QTest::newRow("index past the end") << two << 3 << QStringList{"notes.txt"};
        QTest::newRow("index 0") << two << 0 << QStringList{"notes.txt"};
        QTest::newRow("alike descriptions")
            << QStringLiteral("Pictures|*.jpg|Pictures|*.bmp") << 2 << QStringList{"a.bmp"};
    }

    void dialogFilters()
    {
        QFETCH(QString, filter);
        QFETCH(qint32, index);
        QFETCH(QStringList, offered);
        QStringList seen;
        DialogDriver driver([&](QFileDialog& dialog) { seen = offeredFiles(dialog); });
        const QString chosen = clsFileDlg().ShowOpen(0, std::nullopt, filter, false, true, false,
                                                     false, index, pictures_.path());
        QCOMPARE(seen, offered);
        QCOMPARE(chosen, QString());
    }

    void dialogSettings_data()
    {
        QTest::addColumn<bool>("withOwner");
        QTest::addColumn<bool>("inPictures");
        QTest::addColumn<OptionalText>("title");
        QTest::addColumn<QString>("defaultExt");
        QTest::addColumn<bool>("mustExist");
        QTest::addColumn<bool>("multiSelect");
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QFileDialog::FileMode>("mode");
        QTest::newRow("window's") << true << false << OptionalText() << QString() << true << false
                                  << QString() << QFileDialog::ExistingFile;
        QTest::newRow("all given") << false << true << OptionalText("Pick one") << QString("jpg")
                                   << false << false << QString("a.bmp") << QFileDialog::AnyFile;
        QTest::newRow("multi") << false << true << OptionalText("") << QString() << true << true
                               << QString() << QFileDialog::ExistingFiles;
    }

    void dialogSettings()
    {
        QFETCH(bool, withOwner);
        QFETCH(bool, inPictures);
        QFETCH(OptionalText, title);
        QFETCH(QString, defaultExt);
        QFETCH(bool, mustExist);
        QFETCH(bool, multiSelect);
        QFETCH(QString, filename);
        QFETCH(QFileDialog::FileMode, mode);
        QWidget owner;
        if (withOwner)
            owner.show();
        // What the dialog chooses for itself when not told otherwise.
        QFileDialog plain;
        plain.setOption(QFileDialog::DontUseNativeDialog);

        bool shown = false;
        QStringList seen;
        DialogDriver driver([&](QFileDialog& dialog) {
            shown = true;
            seen = QStringList{dialog.windowTitle(), dialog.directory().absolutePath(),
                               dialog.defaultSuffix()} +
                   dialog.selectedFiles().mid(0, 1);
            QCOMPARE(dialog.parentWidget(), withOwner ? &owner : nullptr);
            QCOMPARE(dialog.fileMode(), mode);
        });
        const QString chosen = clsFileDlg().ShowOpen(
            withOwner ? owner.winId() : 0, filename, WindowFilter, multiSelect, mustExist, false,
            false, 1, inPictures ? OptionalText(pictures_.path()) : std::nullopt, defaultExt,
            std::nullopt, title);

        QVERIFY(shown);
        QCOMPARE(chosen, QString());
        const QString folder = inPictures ? pictures_.path() : plain.directory().absolutePath();
        QCOMPARE(seen.mid(0, 3), (QStringList{title.value_or(plain.windowTitle()),
                                              QDir(folder).absolutePath(), defaultExt}));
        if (!filename.isEmpty())
            QCOMPARE(seen.value(3), QDir(folder).absoluteFilePath(filename));
    }

    void dialogAccepts_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::newRow("upper-case name") << QString() << QString("PHOTO.JPG");
        QString deep;
        for (int level = 0; level < 6; ++level)
            deep += QString::fromUtf8("/ordner %1 mit einem recht langen namen für die tiefe")
                        .arg(level);
        QTest::newRow("chinese, blanks, over 260") << deep << QString::fromUtf8("照片 一.jpg");
    }

    void dialogAccepts()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        const QString dir = pictures_.path() + folder;
        QVERIFY(QDir().mkpath(dir));
        const QString path = QDir(dir).absoluteFilePath(name);
        touch(path);
        QVERIFY(folder.isEmpty() || path.size() > 260);

        DialogDriver driver([&](QFileDialog& dialog) {
            // Type the name as a user would: Open stays disabled until the dialog has seen
            // the file in its folder.
            QVERIFY(offeredFiles(dialog).contains(name));
            auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            auto* buttons = dialog.findChild<QDialogButtonBox*>();
            QVERIFY(edit && buttons);
            edit->setText(name);
            buttons->button(QDialogButtonBox::Open)->click();
        });
        QCOMPARE(
            clsFileDlg().ShowOpen(0, QString(""), WindowFilter, false, true, false, false, 1, dir),
            path);
    }
};

QTEST_MAIN(tst_FileDlg)
#include "tst_filedlg.moc"
