// The harness's own promises: a modal window never hangs a test and never passes unnoticed.
#include "support/ModalHelper.h"
#include "support/CaughtFailures.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMessageBox>
#include <gmock/gmock.h>

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::UnorderedElementsAre;

void waitForArmedActions() {
    while (!modalActionsDone())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

TEST(ModalWatch, UnexpectedDialogFailsTheTestAndIsClosed) {
    int result = -1;
    const auto failures = caughtFailures([&result] {
        QDialog dialog;
        dialog.setObjectName(QStringLiteral("Surprise"));
        result = dialog.exec();
    });
    EXPECT_THAT(failures, ElementsAre(HasSubstr("unexpected modal window: QDialog \"Surprise\"")));
    EXPECT_EQ(result, QDialog::Rejected);
}

TEST(ModalWatch, UnexpectedMessageBoxFailsTheTestAndIsClosed) {
    const auto failures = caughtFailures([] {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Ordano"), QStringLiteral("Saved"));
        box.exec();
    });
    EXPECT_THAT(failures, ElementsAre(HasSubstr("QMessageBox")));
}

TEST(ModalWatch, ArmedActionRunsWithoutFailure) {
    QDialog dialog;
    QWidget* seen = nullptr;
    int result = -1;
    const auto failures = caughtFailures([&] {
        onNextModal([&seen](QWidget* modal) {
            seen = modal;
            static_cast<QDialog*>(modal)->accept();
        });
        result = dialog.exec();
    });
    EXPECT_THAT(failures, IsEmpty());
    EXPECT_EQ(seen, &dialog);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(modalActionsDone());
}

TEST(ModalWatch, ModalLeftOpenByItsActionFailsAndIsClosed) {
    struct Row {
        const char* why;
        std::function<void(QWidget*)> action;
        const char* failure;
    };
    const Row rows[] = {
        {"the action forgot to close it", [](QWidget*) {}, "still open after its action"},
        {"an assertion ended the action early",
         [](QWidget* modal) {
             ASSERT_EQ(modal, nullptr);
             static_cast<QDialog*>(modal)->accept();
         },
         "modal"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        int result = -1;
        const auto failures = caughtFailures([&] {
            QDialog dialog;
            onNextModal(row.action);
            result = dialog.exec();
        });
        ASSERT_FALSE(failures.empty());
        EXPECT_THAT(failures.back(), HasSubstr("still open after its action"));
        EXPECT_THAT(failures.front(), HasSubstr(row.failure));
        EXPECT_EQ(result, QDialog::Rejected);
    }
}

TEST(ModalWatch, ModalThatNeverCameFailsAtTheWatchdog) {
    const auto failures = caughtFailures([] {
        onNextModal([](QWidget*) {}, 50);
        waitForArmedActions();
    });
    EXPECT_THAT(failures, ElementsAre(HasSubstr("no modal window appeared")));
}

// An armed action left over fails its own test, and the tests after it see unexpected modals
// again.
TEST(ModalWatch, UnusedActionFailsAtTheEndAndStopsHidingModals) {
    auto failures = caughtFailures([] {
        onNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->accept(); });
        failUnusedModalActions();
    });
    EXPECT_THAT(failures, ElementsAre(HasSubstr("never used")));
    EXPECT_TRUE(modalActionsDone());
    failures = caughtFailures([] {
        QDialog dialog;
        dialog.exec();
    });
    EXPECT_THAT(failures, ElementsAre(HasSubstr("unexpected modal window")));
}

TEST(ModalWatch, NoModalGuardFailsEvenAnArmedModal) {
    const auto failures = caughtFailures([] {
        const NoModalGuard guard;
        onNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->accept(); }, 50);
        QDialog dialog;
        dialog.exec();
        waitForArmedActions();
    });
    // The armed action never ran, so its watchdog fails too (on a slow machine, even first).
    EXPECT_THAT(failures, UnorderedElementsAre(HasSubstr("unexpected modal window"),
                                               HasSubstr("no modal window appeared")));
}

} // namespace
