// Bringing back unsaved work after a crash: the journals of sessions that did not end
// cleanly, offered at start-up (復元, 破棄, 後で) and to the batch line "recover".
#pragma once

#include "history/Journal.h"
#include "platform/DialogHost.h"

#include <string>
#include <vector>

namespace wt {

struct App;

inline constexpr int kDialogRecovery = 122;
inline constexpr int kIdRecoveryList = 1000;
inline constexpr int kIdRecover = 1020;
inline constexpr int kIdDiscard = 1021;

// The journals no running editor holds; each damaged one is set aside and said in a message.
std::vector<RecoverableJournal> FindRecoverableWork(App& app);
// A row of the dialog and of "recover list": name, time of the last change, length, format.
std::string RecoveryRowText(const RecoverableJournal& journal);
// Opens the journal's sound as it was: modified, under its name, its file never written. The
// caller has asked about the present sound's unsaved changes. The journal is deleted once this
// session's own journal holds the sound. Says why and returns false when it cannot.
bool RestoreRecoveredWork(App& app, const RecoverableJournal& journal);
// The start-up offer: the dialog when there is work to bring back.
void OfferRecovery(App& app);

// What the start-up dialog works on: the journals listed (破棄 takes one off) and the one
// chosen for 復元.
struct RecoveryChoice {
    std::vector<RecoverableJournal>* journals = nullptr;
    int chosen = -1;
};
LParam RecoveryDlgProc(RecoveryChoice& choice, DialogHost& dlg, unsigned message, WParam wParam);

} // namespace wt
