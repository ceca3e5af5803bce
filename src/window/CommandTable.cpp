#include "window/CommandTable.h"

#include "commands/devices/DeviceDialog.h"
#include "commands/devices/Transport.h"
#include "commands/edit/HistoryCommands.h"
#include "commands/edit/RangeEdits.h"
#include "commands/edit/UndoCommands.h"
#include "commands/effects/DelayEffects.h"
#include "commands/effects/DynamicsEffects.h"
#include "commands/effects/EnvelopeEffects.h"
#include "commands/effects/LevelEffects.h"
#include "commands/effects/ModulationEffects.h"
#include "commands/effects/PitchEffects.h"
#include "commands/effects/SpectralEffects.h"
#include "commands/file/FileCommands.h"
#include "commands/file/FormatConversion.h"
#include "commands/file/SoundInfo.h"
#include "commands/generators/Generators.h"
#include "commands/generators/MelodyPaste.h"
#include "editor/CommandIds.h"
#include "view/DisplaySettings.h"
#include "view/SpectrogramView.h"
#include "view/WaveWindow.h"
#include "window/MainWindow.h"

#include <cctype>

namespace wt {

namespace {
int CmdNop(App&) {
    return 1;
}
} // namespace

const std::vector<CommandEntry>& CommandTable() {
    static const std::vector<CommandEntry> table = {
        // File
        {IDM_NEW_WINDOW, "IDM_NEW_WINDOW", CmdNewWindow},
        {IDM_NEW, "IDM_NEW", CmdNew},
        {IDM_OPEN, "IDM_OPEN", CmdOpen},
        {IDM_SAVE, "IDM_SAVE", CmdSave},
        {IDM_SAVE_AS, "IDM_SAVE_AS", CmdSaveAs},
        {IDM_CHANGE_FORMAT, "IDM_CHANGE_FORMAT", CmdChangeFormat},
        {IDM_SOUND_INFO, "IDM_SOUND_INFO", CmdSoundInfo},
        {IDM_PLAY, "IDM_PLAY", CmdPlayAll},
        {IDM_PLAY_FROM_CURSOR, "IDM_PLAY_FROM_CURSOR", CmdPlayFromCursor},
        {IDM_LOOP_PLAY, "IDM_LOOP_PLAY", CmdLoopPlay},
        {IDM_STOP, "IDM_STOP", CmdStop},
        {IDM_RECORD, "IDM_RECORD", CmdRecord},
        {IDM_EXIT, "IDM_EXIT", CmdExit},
        // Edit
        {IDM_UNDO, "IDM_UNDO", CmdUndo},
        {IDM_REDO, "IDM_REDO", CmdRedo},
        {IDM_EDIT_HISTORY, "IDM_EDIT_HISTORY", CmdEditHistory},
        {IDM_UNDO_SETTINGS, "IDM_UNDO_SETTINGS", CmdUndoSettings},
        {IDM_CUT, "IDM_CUT", CmdCut},
        {IDM_COPY, "IDM_COPY", CmdCopy},
        {IDM_PASTE, "IDM_PASTE", CmdPaste},
        {IDM_DELETE, "IDM_DELETE", CmdDelete},
        {IDM_CROP, "IDM_CROP", CmdCrop},
        {IDM_MIX_PASTE, "IDM_MIX_PASTE", CmdMixPaste},
        {IDM_SELECT_ALL, "IDM_SELECT_ALL", CmdSelectAll},
        // Effects
        {IDM_NOISE_REMOVAL, "IDM_NOISE_REMOVAL", CmdNoiseRemoval},
        {IDM_DC_REMOVE, "IDM_DC_REMOVE", CmdDcRemove},
        {IDM_NORMALIZE, "IDM_NORMALIZE", CmdNormalize},
        {IDM_PHASE_INVERT, "IDM_PHASE_INVERT", CmdPhaseInvert},
        {IDM_SILENCE, "IDM_SILENCE", CmdSilence},
        {IDM_FADE_IN, "IDM_FADE_IN", CmdFadeIn},
        {IDM_FADE_OUT, "IDM_FADE_OUT", CmdFadeOut},
        {IDM_VOLUME, "IDM_VOLUME", CmdVolume},
        {IDM_TREMOLO, "IDM_TREMOLO", CmdTremolo},
        {IDM_ENVELOPE, "IDM_ENVELOPE", CmdEnvelope},
        {IDM_PAN_ENVELOPE, "IDM_PAN_ENVELOPE", CmdPanEnvelope},
        {IDM_NOISE_GATE, "IDM_NOISE_GATE", CmdNoiseGate},
        {IDM_COMPRESSOR, "IDM_COMPRESSOR", CmdCompressor},
        {IDM_ECHO, "IDM_ECHO", CmdEcho},
        {IDM_REVERB, "IDM_REVERB", CmdReverb},
        {IDM_PITCH, "IDM_PITCH", CmdPitch},
        {IDM_PITCH_ENVELOPE, "IDM_PITCH_ENVELOPE", CmdPitchEnvelope},
        {IDM_VIBRATO, "IDM_VIBRATO", CmdVibrato},
        {IDM_TIME_STRETCH, "IDM_TIME_STRETCH", CmdTimeStretch},
        {IDM_TRANSPOSE, "IDM_TRANSPOSE", CmdTranspose},
        {IDM_REVERSE, "IDM_REVERSE", CmdReverse},
        {IDM_DISTORTION, "IDM_DISTORTION", CmdDistortion},
        {IDM_FLANGER, "IDM_FLANGER", CmdFlanger},
        {IDM_EQUALIZER, "IDM_EQUALIZER", CmdEqualizer},
        {IDM_PARAMETRIC_EQ, "IDM_PARAMETRIC_EQ", CmdParametricEq},
        // Create
        {IDM_WHITE_NOISE, "IDM_WHITE_NOISE", CmdWhiteNoise},
        {IDM_TONE, "IDM_TONE", CmdTone},
        {IDM_INSERT_SILENCE, "IDM_INSERT_SILENCE", CmdInsertSilence},
        {IDM_MELODY_PASTE, "IDM_MELODY_PASTE", CmdMelodyPaste},
        // View
        {IDM_ZOOM_1_1024, "IDM_ZOOM_1_1024", CmdZoom1024},
        {IDM_ZOOM_1_256, "IDM_ZOOM_1_256", CmdZoom256},
        {IDM_ZOOM_1_64, "IDM_ZOOM_1_64", CmdZoom64},
        {IDM_ZOOM_1_16, "IDM_ZOOM_1_16", CmdZoom16},
        {IDM_ZOOM_1_4, "IDM_ZOOM_1_4", CmdZoom4},
        {IDM_ZOOM_1_1, "IDM_ZOOM_1_1", CmdZoom1},
        {IDM_ZOOM_IN, "IDM_ZOOM_IN", CmdZoomIn},
        {IDM_ZOOM_OUT, "IDM_ZOOM_OUT", CmdZoomOut},
        {IDM_ZOOM_FIT, "IDM_ZOOM_FIT", CmdZoomFit},
        {IDM_VIEW_WAVEFORM, "IDM_VIEW_WAVEFORM", CmdViewWaveform},
        {IDM_VIEW_SPECTROGRAM, "IDM_VIEW_SPECTROGRAM", CmdViewSpectrogram},
        {IDM_VIEW_BOTH, "IDM_VIEW_BOTH", CmdViewBoth},
        {IDM_SPECTRUM_LOG, "IDM_SPECTRUM_LOG", CmdSpectrumLog},
        // Settings
        {IDM_DEVICE, "IDM_DEVICE", CmdDeviceDialog},
        {IDM_DISPLAY_SETTINGS, "IDM_DISPLAY_SETTINGS", CmdDisplaySettings},
        // Help
        {IDM_HELP_CONTENTS, "IDM_HELP_CONTENTS", CmdHelpContents},
        {IDM_ABOUT, "IDM_ABOUT", CmdAbout},
        {IDM_NOP, "IDM_NOP", CmdNop},
    };
    return table;
}

const CommandEntry* FindCommand(int id) {
    for (const auto& entry : CommandTable()) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

std::string BatchName(const CommandEntry& entry) {
    std::string name = entry.name + 4; // without "IDM_"
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

const CommandEntry* FindCommandByName(const std::string& batchName) {
    for (const auto& entry : CommandTable()) {
        if (BatchName(entry) == batchName) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace wt
