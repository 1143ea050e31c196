#include "store/Messages.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessageService.h"

#include <gtest/gtest.h>
#include <optional>
#include <ostream>

using namespace tabulo::store;
using tabulo::test::Halted;
using tabulo::test::ScopedMessageService;
using tabulo::test::ScriptedMessageService;

namespace {

StoreError failure(int code, const QString &text, int osCode = 0, const QString &osText = {}) {
    StoreError error;
    error.code = code;
    error.text = text;
    error.osCode = osCode;
    error.osText = osText;
    return error;
}

// Starts every test with no store failure, no saved error and no roll-back.
class MessageFixture : public ::testing::Test {
protected:
    void SetUp() override {
        setLastError({});
        clearSavedError();
        setRollbackHook(nullptr);
    }
    void TearDown() override {
        setLastError({});
        clearSavedError();
        setRollbackHook(nullptr);
    }

    // Shows message `number` answered with `button`; returns the halt text
    // if the message ended the program.
    std::optional<QString> showAnswered(int number, int button, const QString &first = {},
                                        const QString &second = {}) {
        m_messages.answer(number, button);
        try {
            m_returned = standardMessage(number, first, second);
        } catch (const Halted &halted) {
            return halted.text();
        }
        return std::nullopt;
    }

    ScriptedMessageService m_messages;
    ScopedMessageService m_installed{m_messages};
    int m_returned = 0;
};

// --- Every message of the table, with sample texts ---------------------------

struct MessageCase {
    int number;
    const char *title;
    MessageIcon icon;
    int buttons;
    int defaultButton;
    const char *text;
    const char *haltText; // null when the default answer returns
};

// Inserted texts carry trailing blanks, as they come from padded fields; the
// store's current failure is code 5, "Access Denied".
constexpr const char *kFirst = "QKnam.tps   ";
constexpr const char *kSecond = "0 and 240  ";

const MessageCase kCases[] = {
    {1, "Invalid File", MessageIcon::Warning, Button::Ok, Button::Ok,
     "Error: (Access Denied (5)) accessing QKnam.tps.  Press OK to end this application.", "Invalid File!"},
    {2, "Invalid Key", MessageIcon::Question, Button::Yes | Button::No, Button::Yes,
     "QKnam.tps key file is invalid.  Do you want to rebuild the key?", nullptr},
    {3, "Key Rebuild Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "Error: (Access Denied (5)) repairing key for QKnam.tps.  Press OK to end this application.",
     "Error Rebuilding Key!"},
    {4, "File Creation Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "Error: (Access Denied (5)) creating QKnam.tps.  Press OK to end this application.",
     "File Creation Error!"},
    {5, "File Creation Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "Error: (Access Denied (5)) opening created file:QKnam.tps.  Press OK to end this application.",
     "File Creation Error!"},
    {10, "Range Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "The value of QKnam.tps must be between 0 and 240.", nullptr},
    {14, "Record Insert Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "An error was experienced during the update of record.  Error: Access Denied (5).", nullptr},
    {15, "Update Operation Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "An error (Access Denied (5)) was experienced when attempting to update a record from the file.  "
     "Probable Cause: QKnam.tps.",
     nullptr},
    {16, "Record Update Error", MessageIcon::Warning, Button::Yes | Button::No | Button::Cancel,
     Button::Cancel, "An error was experienced changing this record.  Do you want to try to save again?",
     nullptr},
    {17, "Delete Operation Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "An error (Access Denied (5)) was experienced when attempting to delete a record from the file "
     "QKnam.tps.",
     nullptr},
    {18, "Record Update Error", MessageIcon::Warning, Button::Yes | Button::No | Button::Cancel,
     Button::Cancel, "An error was experienced deleting this record.  Do you want to try to save again?",
     nullptr},
    {24, "Duplicate Key Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "Adding this record creates a duplicate entry for the key:QKnam.tps", nullptr},
    {25, "Auto Increment Error", MessageIcon::Warning, Button::Retry | Button::Cancel, Button::Cancel,
     "Attempts to automatically number this record have failed.  Error: Access Denied (5).", nullptr},
    {30, "File Access Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "File (QKnam.tps) could not be opened.  Error: Access Denied (5).", nullptr},
    {32, "Confirm Delete", MessageIcon::Question, Button::Ok | Button::Cancel, Button::Cancel,
     "You've selected to delete the highlighted record.  Press OK to confirm deletion of this record.",
     nullptr},
    {33, "Update Cancelled", MessageIcon::Question, Button::Yes | Button::No | Button::Cancel, Button::No,
     "Do you want to save the changes to this record?", nullptr},
    {34, "Transaction Framing Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "Error: (Access Denied (5)) attempting to frame the qknam.tps transaction on 0 and 240.  "
     "QKnam.tps transaction cancelled.",
     nullptr},
    {35, "Record Retrieval Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "Error: (Access Denied (5)) attempting to access a record from the QKnam.tps file.  "
     "Returning to previous window.",
     nullptr},
    {36, "View Open Error", MessageIcon::Warning, Button::Ok, Button::Ok,
     "Error: (Access Denied (5)) attempting to open the current VIEW. Filter and Range Limits ignored.",
     nullptr},
    {38, "Record Was Not Updated", MessageIcon::Warning, Button::Ok, Button::Ok,
     "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button "
     "or "
     "Ctrl+' to recall your changes.",
     nullptr},
};

void PrintTo(const MessageCase &c, std::ostream *os) {
    *os << "message " << c.number;
}

class EveryMessage : public MessageFixture, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(EveryMessage, ShowsItsTitleIconButtonsAndTextAndEndsAsDefined) {
    const MessageCase &c = GetParam();
    setLastError(failure(5, QStringLiteral("Access Denied")));

    const std::optional<QString> halt =
        showAnswered(c.number, c.defaultButton, QString::fromUtf8(kFirst), QString::fromUtf8(kSecond));

    const MessageBox box = m_messages.last();
    EXPECT_EQ(box.number, c.number);
    EXPECT_EQ(box.title, QString::fromUtf8(c.title));
    EXPECT_EQ(box.icon, c.icon);
    EXPECT_EQ(box.buttons, c.buttons);
    EXPECT_EQ(box.defaultButton, c.defaultButton);
    EXPECT_EQ(box.text.toStdString(), c.text);
    EXPECT_EQ(box.owner, nullptr);
    if (c.haltText) {
        ASSERT_TRUE(halt.has_value()) << "message " << c.number << " should end the program";
        EXPECT_EQ(halt->toStdString(), c.haltText);
    } else {
        EXPECT_FALSE(halt.has_value()) << "message " << c.number << " ended the program";
        EXPECT_EQ(m_returned, c.defaultButton);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, EveryMessage, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<MessageCase> &info) {
                             return "Message" + std::to_string(info.param.number);
                         });

TEST(MessageTable, HoldsExactlyTheNumbersTheSystemUses) {
    QList<int> expected;
    for (const MessageCase &c : kCases)
        expected.append(c.number);
    EXPECT_EQ(messageNumbers(), expected);
    EXPECT_EQ(messageDefinition(6), nullptr);
    EXPECT_EQ(messageDefinition(0), nullptr);
}

// --- Texts the rest of the system relies on -----------------------------------

TEST_F(MessageFixture, DuplicateKeyNamesTheKeyWithoutABlank) {
    showAnswered(24, Button::Ok, QStringLiteral("CAT:cat_key"));
    EXPECT_EQ(m_messages.last().text,
              QStringLiteral("Adding this record creates a duplicate entry for the key:CAT:cat_key"));
}

TEST_F(MessageFixture, TransactionFramingPutsTheSavedErrorAndBothTextsInPlace) {
    setLastError(failure(Code::Failure, QStringLiteral("Unable to begin transaction")));
    takeSavedError();
    setLastError({}); // later store calls succeed; the message must still report the failure

    showAnswered(34, Button::Ok, QStringLiteral("Update"), QStringLiteral("QKinc"));

    EXPECT_EQ(
        m_messages.last().text,
        QStringLiteral("Error: (Unable to begin transaction (1)) attempting to frame the update transaction "
                       "on QKinc.  Update transaction cancelled."));
}

TEST_F(MessageFixture, ConflictShowsOnlyTheConflictSentenceForCodes89And0) {
    setLastError(failure(Code::ChangedElsewhere, QStringLiteral("Record changed by another station")));
    takeSavedError();
    showAnswered(15, Button::Ok, QStringLiteral("Record Changed by Another Station"));
    EXPECT_EQ(m_messages.last().text, QStringLiteral("This record was changed by another station."));

    setLastError(failure(Code::ChangedElsewhere, QStringLiteral("Record changed by another station")));
    showAnswered(15, Button::Ok, QStringLiteral("QKinc"));
    EXPECT_EQ(m_messages.last().text, QStringLiteral("This record was changed by another station."));

    setLastError({});
    showAnswered(15, Button::Ok, QStringLiteral("QKnam"));
    EXPECT_EQ(m_messages.last().text, QStringLiteral("This record was changed by another station."));
}

TEST_F(MessageFixture, SystemFailureReportsTheSystemsOwnTextAndCode) {
    setLastError(failure(Code::SystemError, QStringLiteral("Operating system error"), 13,
                         QStringLiteral("Permission denied  ")));
    showAnswered(17, Button::Ok, QStringLiteral("QKfon"));
    EXPECT_EQ(
        m_messages.last().text,
        QStringLiteral("An error (Permission denied (13)) was experienced when attempting to delete a record "
                       "from the file QKfon."));
}

TEST_F(MessageFixture, LongStoreTextIsCutAt150CharactersAndTheClosingLiteralStays) {
    setLastError(failure(Code::Failure, QString(200, u'x')));
    showAnswered(35, Button::Ok, QStringLiteral("QKmem"));

    const QString expectedError(150, u'x'); // the code falls beyond the cut
    EXPECT_EQ(m_messages.last().text,
              QStringLiteral("Error: (") + expectedError +
                  QStringLiteral(") attempting to access a record from the QKmem file.  "
                                 "Returning to previous window."));
    EXPECT_EQ(errorText(failure(7, QString(146, u'y'))), QString(146, u'y') + QStringLiteral(" (7)"));
    EXPECT_EQ(errorText(failure(7, QString(147, u'y'))), QString(147, u'y') + QStringLiteral(" (7"));
}

TEST_F(MessageFixture, CutNeverSplitsACharacterOutsideTheBasicPlane) {
    // 149 letters then a character stored as two UTF-16 units: keeping it
    // whole makes 150 characters.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    const QString text = errorText(failure(1, QString(149, u'a') + clef + QStringLiteral("zzz")));
    EXPECT_EQ(text, QString(149, u'a') + clef);
    EXPECT_FALSE(text.back().isHighSurrogate());
}

TEST_F(MessageFixture, SavedErrorIsUsedOnceThenTheCurrentFailureIsReported) {
    setLastError(failure(Code::DuplicateKey, QStringLiteral("Creates Duplicate Key")));
    takeSavedError();
    setLastError(failure(Code::NotFound, QStringLiteral("Record Not Found")));

    showAnswered(14, Button::Ok);
    EXPECT_EQ(
        m_messages.last().text,
        QStringLiteral(
            "An error was experienced during the update of record.  Error: Creates Duplicate Key (40)."));
    EXPECT_FALSE(savedError().has_value());

    showAnswered(14, Button::Ok);
    EXPECT_EQ(m_messages.last().text,
              QStringLiteral(
                  "An error was experienced during the update of record.  Error: Record Not Found (35)."));
}

TEST_F(MessageFixture, MessageWithoutErrorTextLeavesTheSavedErrorForTheNextOne) {
    setLastError(failure(Code::Failure, QStringLiteral("Disk full")));
    takeSavedError();
    setLastError({});

    showAnswered(33, Button::Yes);
    ASSERT_TRUE(savedError().has_value());

    showAnswered(25, Button::Retry);
    EXPECT_EQ(
        m_messages.last().text,
        QStringLiteral("Attempts to automatically number this record have failed.  Error: Disk full (1)."));
    EXPECT_EQ(m_returned, Button::Retry);
}

TEST_F(MessageFixture, InsertedTextsLoseOnlyTrailingBlanksAndAreNeverReadAsMarkers) {
    showAnswered(10, Button::Ok, QStringLiteral("  {second} "), QStringLiteral("0 and 99   "));
    EXPECT_EQ(m_messages.last().text, QStringLiteral("The value of   {second} must be between 0 and 99."));
}

namespace {
int s_rollbacks = 0;
StoreError s_errorSeenByRollback;
} // namespace

TEST_F(MessageFixture, TakingTheSavedErrorRollsBackAfterRecordingTheFailure) {
    s_rollbacks = 0;
    setRollbackHook([] {
        ++s_rollbacks;
        s_errorSeenByRollback = lastError();
        setLastError({}); // the roll-back itself succeeds
    });
    setLastError(failure(Code::Locked, QStringLiteral("File Is Locked")));

    takeSavedError();

    EXPECT_EQ(s_rollbacks, 1);
    EXPECT_EQ(s_errorSeenByRollback.code, Code::Locked);
    ASSERT_TRUE(savedError().has_value());
    EXPECT_EQ(savedError()->code, Code::Locked);
    EXPECT_EQ(savedError()->text, QStringLiteral("File Is Locked"));
    EXPECT_EQ(lastError().code, Code::Ok);
}

TEST_F(MessageFixture, UnknownNumberStillShowsABoxThatSaysSo) {
    showAnswered(99, Button::Ok);
    EXPECT_EQ(m_messages.last().text, QStringLiteral("Message 99 is not defined."));
    EXPECT_EQ(m_returned, Button::Ok);
}

} // namespace
