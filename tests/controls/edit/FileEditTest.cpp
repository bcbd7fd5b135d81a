// File-name edit: quoting, dropped files, the dialog and its before and after events.
#include "controls/edit/ToolEdit.h"
#include "platform/forms/FormHarness.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

class FileEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        form = new TForm(Application);
        edit = new TFilenameEdit(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 200, 21);
        form->Show();
    }
    void TearDown() override { delete form; }
    QString Touch(const QString& name) {
        const QString path = dir.path() + QLatin1Char('/') + name;
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        return path;
    }
    QTemporaryDir dir;
    TFormHarness harness;
    TForm* form = nullptr;
    TFilenameEdit* edit = nullptr;
};

TEST_F(FileEditTest, NamesWithBlanksAreQuoted) {
    const QString path = Touch(QStringLiteral("Escrito de demanda.doc"));
    edit->SetFileName(path);
    EXPECT_EQ(edit->Text(), QLatin1Char('"') + path + QLatin1Char('"'));
    EXPECT_EQ(edit->FileName(), path);
    EXPECT_EQ(AddQuotes(QStringLiteral("\"ya citado\"")), "\"ya citado\"");
    EXPECT_EQ(AddQuotes(QStringLiteral("sin_blancos")), "sin_blancos");
    EXPECT_THROW(edit->SetFileName(QStringLiteral("mal|nombre")), EComboEditError);
    edit->SetFileName(QString());
    EXPECT_EQ(edit->Text(), "");
}

TEST_F(FileEditTest, DroppedFilesKeepTheFirstOrAll) {
    int drops = 0;
    edit->OnDropFiles = [&](TObject*) { ++drops; };
    const QStringList files{Touch("a.txt"), Touch("b.txt"), Touch("c.txt")};
    edit->DropFiles(files);
    EXPECT_EQ(edit->FileName(), files[0]);
    EXPECT_TRUE(edit->FileList().isEmpty());
    edit->SetMultipleDirs(true);
    edit->DropFiles(files);
    EXPECT_EQ(edit->FileName(), files[0]);
    EXPECT_EQ(edit->FileList(), files);
    EXPECT_EQ(drops, 2);
}

TEST_F(FileEditTest, FilesDroppedFromTheDesktopArriveAsUrls) {
    const QString path = Touch(QStringLiteral("Poder notarial.pdf"));
    auto drop = [&] {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit->Widget(), &enter);
        QDropEvent e(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit->Widget(), &e);
    };
    drop();
    EXPECT_EQ(edit->Text(), "");  // files are refused until AcceptFiles
    edit->SetAcceptFiles(true);
    drop();
    EXPECT_EQ(edit->FileName(), path);
}

TEST_F(FileEditTest, DialogChoiceIsWrittenQuoted) {
    const QString chosen = Touch(QStringLiteral("Mi carta.odt"));
    harness.AnswerFile(chosen);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    TFormHarness::Click(edit->Button());
    EXPECT_EQ(edit->Text(), QLatin1Char('"') + chosen + QLatin1Char('"'));
    EXPECT_EQ(edit->InitialDir(), dir.path());
    EXPECT_GE(changes, 1);
    harness.AnswerFile(QString());  // cancelled: nothing changes
    TFormHarness::Click(edit->Button());
    EXPECT_EQ(edit->FileName(), chosen);
}

TEST_F(FileEditTest, BeforeAndAfterDialogCanStopIt) {
    edit->OnBeforeDialog = [](TObject*, QString&, bool& action) { action = false; };
    harness.AnswerFile(Touch("x.txt"));
    TFormHarness::Click(edit->Button());
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(harness.PendingAnswers(), 1);  // the dialog never ran
    edit->OnBeforeDialog = TExecOpenDialogEvent();
    edit->OnAfterDialog = [](TObject*, QString&, bool& action) { action = false; };
    TFormHarness::Click(edit->Button());
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(harness.PendingAnswers(), 0);
}

TEST_F(FileEditTest, MissingDirectoryKeepsThePreviousInitialDir) {
    edit->SetInitialDir(dir.path());
    edit->SetText(QStringLiteral("/no/existe/informe.txt"));
    QString seen;
    edit->OnAfterDialog = [&](TObject*, QString&, bool& action) {
        seen = edit->Dialog()->FileName();
        action = false;
    };
    harness.AnswerFile(QString());
    TFormHarness::Click(edit->Button());
    EXPECT_EQ(edit->InitialDir(), dir.path());
    EXPECT_EQ(seen, "/no/existe/informe.txt");
}

TEST_F(FileEditTest, BareFileNameKeepsTheInitialDir) {
    edit->SetInitialDir(dir.path());
    edit->SetText(QStringLiteral("informe.txt"));
    QString seen;
    edit->OnAfterDialog = [&](TObject*, QString&, bool& action) {
        seen = edit->Dialog()->FileName();
        action = false;
    };
    harness.AnswerFile(QString());
    TFormHarness::Click(edit->Button());
    EXPECT_EQ(edit->InitialDir(), dir.path());
    EXPECT_EQ(seen, "informe.txt");
}

TEST_F(FileEditTest, DialogKindRecreatesTheDialogKeepingItsSettings) {
    edit->SetFilter(QStringLiteral("Textos|*.txt"));
    EXPECT_EQ(edit->DialogTitle(), QStringLiteral("Список"));
    edit->SetDialogKind(dkSave);
    EXPECT_NE(dynamic_cast<TSaveDialog*>(edit->Dialog()), nullptr);
    EXPECT_EQ(edit->Filter(), "Textos|*.txt");
}

}  // namespace
