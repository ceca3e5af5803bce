// The text tags of files read and written through libsndfile: its strings (SF_STR_TITLE ...
// SF_STR_GENRE) taken into the sound's tags and set again before a file is written.
#pragma once

#include "model/SoundTags.h"

#include <sndfile.h>

namespace wt {

// Every string libsndfile read from the open file `file` that the tags have a field for.
SoundTags ReadSndfileTags(SNDFILE* file);

// Sets each tag that is not empty on `file`, which was opened for writing and has had no
// samples written yet (FLAC and Ogg write their comments with the first samples). False when
// libsndfile refused one: the file would lack a tag the sound has.
bool WriteSndfileTags(SNDFILE* file, const SoundTags& tags);

} // namespace wt
