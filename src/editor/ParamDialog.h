// The table-driven parameter dialog shared by the effects, the generators and the recording
// settings. A dialog is described by an array of DialogBinding rows; ParamDlgProc shows the
// parameters the rows point at, keeps them current while the user moves a scroll bar or types,
// and reads every row back on OK.
#pragma once

#include "platform/DialogHost.h"
#include "platform/Host.h"

#include <functional>
#include <vector>

namespace wt {

struct App;
struct DialogBinding;

// Row kinds. A row of any other kind (the commands use 0) ends the table.
namespace bind {
inline constexpr int Check = 'C';  // check box
inline constexpr int Hook = 'F';   // DialogHook procedure
inline constexpr int Number = 'N'; // number field
inline constexpr int Radio = 'R';  // radio button
inline constexpr int Text = 'S';   // text field
inline constexpr int Scroll = 'V'; // scroll bar
} // namespace bind

// Called with every message of the dialog before ParamDlgProc handles it, once its F row has
// been met during initialisation. `table` is the dialog's binding table.
using DialogHook =
    std::function<LParam(DialogHost& dlg, unsigned message, WParam, LParam, DialogBinding* table)>;

struct DialogBinding {
    int control = 0; // dialog control id
    int kind = 0;    // one of bind::*, anything else ends the table
    // The target: the parameter of C, N, R and V rows; the character buffer of an S row; the
    // procedure of an F row.
    int* value = nullptr;
    char* text = nullptr;
    DialogHook hook;
    // V, N: lowest value. R: the value the button stands for. S: buffer size in bytes, 0 when
    // the field is only shown and never read back. C: non-zero shows the box in its third
    // state (not applicable).
    int low = 0;
    int high = 0;  // V, N: highest value
    int link = 0;  // V: its edit field; N: its scroll bar; 0: none
    int scale = 0; // V, N: 0 plain integer, else the value is shown as value / scale, one decimal
};

bool IsBindingRow(const DialogBinding& row);

// Row builders. A scroll bar and its field are two rows on the same parameter, range and
// scale, each naming the other as link, the V row first: ScrollWithEdit appends both.
DialogBinding ScrollRow(int bar, int* value, int low, int high, int edit, int scale = 0);
DialogBinding NumberRow(int edit, int* value, int low, int high, int bar = 0, int scale = 0);
DialogBinding CheckRow(int box, int* value, bool notApplicable = false);
DialogBinding RadioRow(int button, int* value, int standsFor);
DialogBinding TextRow(int field, char* buffer, int bufferSize);
DialogBinding HookRow(DialogHook hook);
DialogBinding EndRow();
void ScrollWithEdit(std::vector<DialogBinding>& table, int bar, int edit, int* value, int low,
                    int high, int scale = 0);

// What ParamDlgProc keeps between the messages of one open dialog.
struct ParamDialogState {
    DialogBinding* table = nullptr; // from msg::InitDialog's parameter
    DialogHook hook;                // the F row's procedure, empty when there is none
};

// The dialog procedure. msg::InitDialog's lParam points at the first row of the table, which
// must end with an end row. End codes: 1 OK, 0 Cancel, or the id (3..10) of a button that
// ends the dialog.
LParam ParamDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam,
                    ParamDialogState& state);

// Runs dialog `templateId` modally with ParamDlgProc on `table` (an end row is added when it
// lacks one). Returns the end code, or -1 when the dialog could not be created.
LParam RunParamDialog(App& app, int templateId, Owner owner, std::vector<DialogBinding>& table);

// The text a field shows for `value`: plain "%d", or value / scale with one decimal.
std::string FormatScaledValue(int value, int scale);
// Reads a number field as the dialog does: with a scale, the first 15 bytes as a decimal
// number times the scale, rounded to the nearest integer; without one, a signed integer.
// Returns false when the text is not a number. The result is clamped to low..high.
bool ReadBoundValue(const DialogHost& dlg, const DialogBinding& row, int& value);

} // namespace wt
