// The open-file dialog: the record it is handed, the limits on its arguments, what comes
// back, and one run of the real Qt dialog.
#include "support/test_support.h"

#include "filedlg/file_dlg.h"
#include "toolkit/runtime_error.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
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

// The files the dialog offers in the folder it shows, as far as it has read the folder.
QStringList offeredFiles(QFileDialog& dialog)
{
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (!model)
        return {QStringLiteral("<no model>")};
    const QModelIndex folder = model->index(dialog.directory().absolutePath());
    QStringList names;
    for (int row = 0; row < model->rowCount(folder); ++row) {
        const QModelIndex entry = model->index(row, 0, folder);
        if (!model->isDir(entry) && (model->flags(entry) & Qt::ItemIsEnabled))
            names.append(entry.data().toString());
    }
    names.sort();
    return names;
}

} // namespace

// Runs `answer` on the real dialog once it is open, then closes it whatever happens, so a
// failed check cannot leave the test in the dialog's loop.
static void whenTheDialogOpens(QTimer& poll, const std::function<void(QFileDialog*)>& answer)
{
    QObject::connect(&poll, &QTimer::timeout, [&poll, answer] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        const auto close = qScopeGuard([dialog] {
            if (dialog->isVisible())
                dialog->reject();
        });
        answer(dialog);
    });
    poll.start(10);
}

class tst_FileDlg : public QObject
{
    Q_OBJECT

private slots:
    // Keeps the dialog's remembered folders out of the user's own settings.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { clsFileDlg::setBackend(nullptr); }

    void windowsCallMakesThisRecord()
    {
        auto& script = ScriptedOpenFileBackend::install();
        OptionalText filename = QString("");
        clsFileDlg().ShowOpen(0x4711, &filename, WindowFilter, false, true, false, false, 1,
                              std::nullopt, QString(""), std::nullopt, std::nullopt, 0);

        OpenFileRecord expected;
        expected.lStructSize = 76;
        expected.hwndOwner = 0x4711;
        // The filter's own closing '|' and the two NULs that end every list: three in a row.
        expected.lpstrFilter = "(bmp/jpg/gif)" + nuls(1) + "*.bmp;*.gif;*.jpg" + nuls(3);
        expected.nFilterIndex = 1;
        expected.lpstrFile = nuls(260);
        expected.nMaxFile = 260;
        expected.lpstrFileTitle = nuls(260);
        expected.nMaxFileTitle = 260;
        expected.Flags = 0x1000;
        expected.lpstrDefExt = QString(""); // given empty, unlike the texts left absent
        QCOMPARE(script.records().size(), 1);
        QVERIFY(script.records().first() == expected);
    }

    void flagsComeOnlyFromTheSwitches()
    {
        auto& script = ScriptedOpenFileBackend::install();
        // Bits passed in flags must not reach the record: no hook or template is installed.
        clsFileDlg().ShowOpen(0, nullptr, WindowFilter, true, true, true, true, 1, std::nullopt,
                              QString(""), std::nullopt, std::nullopt,
                              OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_EXPLORER);
        QCOMPARE(script.records().value(0).Flags, 0x1205);
    }

    void filterLists_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("nameFilters"); // as the Qt dialog offers them
        QTest::newRow("colons separate too")
            << "Pictures:*.png|Text:*.txt"
            << "Pictures" + nuls(1) + "*.png" + nuls(1) + "Text" + nuls(1) + "*.txt" + nuls(2)
            << QStringList{"Pictures (*.png)", "Text (*.txt)"};
        QTest::newRow("the default: blank kept, *.* is every file, dotless names too")
            << "All (*.*)| *.*"
            << "All (*.*)" + nuls(1) + " *.*" + nuls(2) << QStringList{"All (*.*) (*)"};
        QTest::newRow("several patterns")
            << "P|*.jpg; *.bmp"
            << "P" + nuls(1) + "*.jpg; *.bmp" + nuls(2) << QStringList{"P (*.jpg *.bmp)"};
        QTest::newRow("empty") << QString() << nuls(2) << QStringList();
    }

    void filterLists()
    {
        QFETCH(QString, filter);
        auto& script = ScriptedOpenFileBackend::install();
        clsFileDlg().ShowOpen(0, nullptr, filter);
        const QString list = script.records().value(0).lpstrFilter;
        QTEST(list, "list");
        QStringList nameFilters;
        for (const FilterItem& item : parseFilterList(list))
            nameFilters.append(toQtNameFilter(item));
        QTEST(nameFilters, "nameFilters");
    }

    void outOfRangeFilterIndexSelectsTheFirst()
    {
        QCOMPARE(selectedFilterPosition(0, 2), 0);
        QCOMPARE(selectedFilterPosition(3, 2), 0);
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
        OptionalText filename = name;
        const QString title(titleLength, u't');
        const QString filter = "Any|" + QString(filterLength - 4, u'*');
        auto& script = ScriptedOpenFileBackend::install();
        QCOMPARE(testing::errorOf([&] {
                     clsFileDlg().ShowOpen(0, &filename, filter, false, true, false, false, 1,
                                           std::nullopt, QString(""), title);
                 }),
                 error);
        QCOMPARE(script.records().size(), error ? 0 : 1);
        if (!error) // the name reaches the dialog whole
            QCOMPARE(TrimNull(script.records().first().lpstrFile), name);
        else // and is left as it was when refused
            QCOMPARE(filename, OptionalText(name));
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
        OptionalText filename = QString("old.bmp");
        QCOMPARE(clsFileDlg().ShowOpen(0, &filename), path);
        QCOMPARE(filename, OptionalText(path.isNull() ? QString("") : path));
    }

    void realDialogOffersMatchesAndAnswersTheFullPath()
    {
        QTemporaryDir root;
        const QDir folder(root.filePath(QString::fromUtf8("我的 图片")));
        QVERIFY(folder.mkpath("."));
        for (const char* name : {"PHOTO.JPG", "a.bmp", "notes.txt"}) {
            QFile file(folder.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QTimer poll;
        whenTheDialogOpens(poll, [&](QFileDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Pick one"));
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            // The upper-case name matches *.jpg; the second entry, which reads like the
            // first, is selected by its patterns.
            QTRY_COMPARE(offeredFiles(*dialog), QStringList{"PHOTO.JPG"});
            // Typed as a user would: Open stays disabled until the dialog has seen the file.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("PHOTO.JPG");
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        });
        const QString chosen = clsFileDlg().ShowOpen(
            0, nullptr, QStringLiteral("Pictures|*.bmp|Pictures|*.jpg"), false, true, false, false,
            2, folder.path(), QString(""), std::nullopt, QString("Pick one"));
        QCOMPARE(chosen, folder.absoluteFilePath("PHOTO.JPG"));
    }

    // Saving: the name offered in the folder given, the suffix added, a file not yet there.
    void realDialogSavesUnderANewName()
    {
        QTemporaryDir folder;
        QTimer poll;
        whenTheDialogOpens(poll, [&](QFileDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Save it"));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
        });
        OptionalText name = QString("list");
        QCOMPARE(clsFileDlg().ShowSave(0, &name, "CSV|*.csv", 1, folder.path(), "csv", "Save it"),
                 folder.filePath("list.csv"));
    }

    // The entry a person picks in the real dialog comes back, though the entries show their
    // descriptions only, so that it can be offered again next time.
    void realDialogAnswersTheEntryPicked_data()
    {
        QTest::addColumn<int>("offered");
        QTest::addColumn<int>("picked");
        QTest::newRow("first offered, second picked") << 1 << 2;
        QTest::newRow("second offered, first picked") << 2 << 1;
    }

    void realDialogAnswersTheEntryPicked()
    {
        QFETCH(int, offered);
        QFETCH(int, picked);
        QTemporaryDir folder;
        QVERIFY(QFile(folder.filePath("a.bmp")).open(QIODevice::WriteOnly));
        QTimer poll;
        whenTheDialogOpens(poll, [&](QFileDialog* dialog) {
            dialog->findChild<QComboBox*>("fileTypeCombo")->setCurrentIndex(picked - 1);
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("a.bmp");
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        });
        qint32 answered = 0;
        clsFileDlg().ShowOpen(0, nullptr, WindowFilter + "所有可读的图像|*.bmp;*.png|", false, true,
                              false, false, offered, folder.path(), QString(""), std::nullopt,
                              std::nullopt, 0, &answered);
        QCOMPARE(answered, picked);
    }
};

QTEST_MAIN(tst_FileDlg)
#include "tst_filedlg.moc"
