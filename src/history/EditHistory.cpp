#include "history/EditHistory.h"

#include "history/StepSpill.h"
#include "platform/UserFolders.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <unistd.h>
#include <utility>

namespace wt {

namespace {

// Every block the history makes keeps the spare bytes a document's block keeps after its
// samples, so that a held whole sound can become the document's block as it is.
constexpr std::size_t kSpare = 16;
constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

void CopyBytes(std::uint8_t* to, const std::uint8_t* from, std::size_t count) {
    if (count != 0) {
        std::memcpy(to, from, count);
    }
}

void MoveTail(std::uint8_t* to, const std::uint8_t* from, std::size_t count) {
    if (count != 0) {
        std::memmove(to, from, count);
    }
}

// The step's held block, to be handed to the document: only ever called on a block nobody
// else references (a count of one on this thread: the spill worker's references are dropped
// here too), which no one reads while it is written.
SampleBlock& OwnedBlock(const SharedBytes& held) {
    return const_cast<SampleBlock&>(*held.block);
}

} // namespace

HistoryBudget DefaultHistoryBudget() {
    HistoryBudget budget;
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    const std::uint64_t physical =
        pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) * pageSize : 0;
    budget.memoryBytes = std::min(physical / 4, 2 * kGiB);
    budget.diskBytes = 4 * kGiB;
    const std::string cache = XdgBaseFolder("XDG_CACHE_HOME", ".cache");
    if (!cache.empty()) {
        std::random_device random;
        char name[64];
        std::snprintf(name, sizeof name, "/wavetomuka/history-%ld-%08x",
                      static_cast<long>(getpid()), static_cast<unsigned>(random()));
        budget.spillFolder = cache + name;
    }
    return budget;
}

struct EditHistory::Impl {
    struct Step {
        std::string text;
        std::int64_t time = 0;
        StepState after;
        StepPositions before; // the positions before the change: what stepping back restores
        bool identityChanged = false;
        StepRange range;
        // The held middle (see the class comment for which side) while it is in memory.
        SharedBytes middle;
        std::string file; // the held middle's spill file once written
        std::uint64_t fileBytes = 0;
        std::uint64_t job = 0; // the spill write of `middle` in progress; 0: none
    };
    // A step the document shows, with the positions it shows.
    struct Place {
        int step = -1;
        StepPositions positions;
    };
    // One step crossed by a walk, with what puts it back.
    struct Crossing {
        int step = 0;
        bool swapped = false;  // the document's block and the held one were exchanged
        bool fromFile = false; // the held middle was read from its spill file
        SharedBytes held;      // the held middle as it was (generic crossings only)
        std::int32_t heldLength = 0;
        std::int32_t lengthBefore = 0;
    };

    bool enabled = false;
    HistoryBudget budget;
    std::vector<Step> steps;
    int current = 0;
    int first = 0;
    Place alternate; // where ToggleUndo goes
    // The step whose state the undo snapshot holds, and the revision of the snapshot's block
    // then: a snapshot taken anew since has another one.
    int snapshotStep = -1;
    std::uint64_t snapshotRevision = 0;
    std::uint64_t memory = 0;  // held bytes in memory, those being written included
    std::uint64_t disk = 0;    // held bytes in spill files, those being written included
    std::uint64_t pending = 0; // held bytes being written
    bool diskFailed = false;   // a write failed: no more spills until the budget is set again
    std::uint64_t lastJob = 0;
    // Every Record and GoTo counts one change of the samples, and the bytes it changed.
    std::uint64_t changes = 0;
    StepRange lastChange;
    std::vector<std::string> madeFolders; // made by the history, removed when it ends
    std::string readyFolder;              // the spill folder once made private
    int folderLock = -1;                  // the lock held on it (LockSpillFolder)
    StepSpill spill;

    ~Impl() {
        spill.Stop();
        for (const StepSpill::Write& write : spill.Collect()) {
            if (write.ok) {
                unlink(write.path.c_str());
            }
        }
        for (const Step& step : steps) {
            if (!step.file.empty()) {
                unlink(step.file.c_str());
            }
        }
        if (folderLock >= 0) {
            unlink((readyFolder + "/.lock").c_str());
            close(folderLock);
        }
        for (auto folder = madeFolders.rbegin(); folder != madeFolders.rend(); ++folder) {
            rmdir(folder->c_str());
        }
    }

    std::int32_t HeldLength(int index) const {
        const StepRange& range = steps[index].range;
        return index <= current ? range.oldLength : range.newLength;
    }

    // Lets go of the spill file of a step and of the write in progress of its held middle
    // (`heldBytes` long): the step holds other bytes now, or none.
    void DropSpill(Step& step, std::uint64_t heldBytes) {
        if (step.job != 0) {
            spill.Cancel(step.job);
            pending -= heldBytes;
            disk -= heldBytes;
            step.job = 0;
        }
        if (!step.file.empty()) {
            unlink(step.file.c_str());
            disk -= step.fileBytes;
            step.file.clear();
            step.fileBytes = 0;
        }
    }

    // Lets go of everything step `index` holds: its middle, its spill file, its write.
    void Release(int index) {
        Step& step = steps[index];
        DropSpill(step, step.middle.bytes);
        if (step.middle.block) {
            memory -= step.middle.bytes;
            step.middle = {};
        }
    }

    void Clear() {
        for (int i = 0; i < static_cast<int>(steps.size()); ++i) {
            Release(i);
        }
        steps.clear();
        current = first = 0;
        alternate = {};
        snapshotStep = -1;
    }

    bool SnapshotHolds(int step, const UndoSnapshot& snapshot) const {
        const StepState& state = steps[step].after;
        return snapshotStep == step && snapshot.data.Revision() == snapshotRevision &&
               snapshot.length == state.length && snapshot.format == state.format &&
               snapshot.data.Size() >= static_cast<std::size_t>(state.length) + kSpare;
    }

    // --- Crossing steps ---------------------------------------------------------------------

    // Exchanges the middle of step `index` with the document's, going back (the document
    // shows state index and will show index - 1) or forward. `length` is the document's length
    // in bytes, kept here while the walk lasts. False with nothing changed on failure.
    bool Cross(int index, bool back, SoundDocument& doc, std::int32_t& length,
               std::vector<Crossing>& log) {
        Step& step = steps[index];
        const StepRange& range = step.range;
        const std::int32_t docMiddle = back ? range.newLength : range.oldLength;
        const std::int32_t heldLength = back ? range.oldLength : range.newLength;
        Crossing crossing{index, false, !step.middle.block, {}, heldLength, length};
        SharedBytes held = crossing.fromFile ? ReadSpillFile(step.file, heldLength, kSpare)
                                             : std::move(step.middle);
        if (!held.block || held.bytes != static_cast<std::size_t>(heldLength)) {
            step.middle = crossing.fromFile ? SharedBytes{} : std::move(held);
            return false;
        }
        const std::int32_t newLength = length - docMiddle + heldLength;
        if (range.prefix == 0 && docMiddle == length && held.block.use_count() == 1 &&
            held.block->Size() >= static_cast<std::size_t>(heldLength) + kSpare) {
            // The whole sound on both sides: the blocks change owners, nothing is copied.
            doc.sampleData.Swap(OwnedBlock(held));
            step.middle = {std::move(held.block), static_cast<std::size_t>(length)};
            crossing.swapped = true;
        } else {
            SharedBytes out =
                CopyShared(std::as_const(doc).Data() + range.prefix, docMiddle, kSpare);
            if (!out.block ||
                (static_cast<std::size_t>(newLength) + kSpare > doc.sampleData.Size() &&
                 !doc.sampleData.Resize(newLength + kSpare))) {
                step.middle = crossing.fromFile ? SharedBytes{} : std::move(held);
                return false;
            }
            std::uint8_t* data = doc.sampleData.Data();
            MoveTail(data + range.prefix + heldLength, data + range.prefix + docMiddle,
                     length - range.prefix - docMiddle);
            CopyBytes(data + range.prefix, held.Data(), heldLength);
            std::memset(data + newLength, 0, kSpare);
            step.middle = std::move(out);
            crossing.held = std::move(held);
        }
        length = newLength;
        log.push_back(std::move(crossing));
        return true;
    }

    // Puts back the crossings of a walk that could not be finished, last first. Needs no
    // memory: the document's block only grew during the walk, and the held middles were kept.
    void Undo(SoundDocument& doc, std::int32_t& length, std::vector<Crossing>& log) {
        for (auto crossing = log.rbegin(); crossing != log.rend(); ++crossing) {
            Step& step = steps[crossing->step];
            const std::int32_t prefix = step.range.prefix;
            if (crossing->swapped) {
                doc.sampleData.Swap(OwnedBlock(step.middle));
                step.middle.bytes = crossing->heldLength;
            } else {
                const std::int32_t docMiddle = static_cast<std::int32_t>(step.middle.bytes);
                std::uint8_t* data = doc.sampleData.Data();
                MoveTail(data + prefix + docMiddle, data + prefix + crossing->heldLength,
                         length - prefix - crossing->heldLength);
                CopyBytes(data + prefix, step.middle.Data(), docMiddle);
                std::memset(data + crossing->lengthBefore, 0, kSpare);
                step.middle = std::move(crossing->held);
            }
            if (crossing->fromFile) {
                step.middle = {};
            }
            length = crossing->lengthBefore;
        }
        log.clear();
    }

    // Brings the document's bytes from the current step to `target` one step at a time.
    bool Walk(int target, SoundDocument& doc) {
        std::int32_t length = doc.byteLength;
        if (doc.sampleData.Size() < static_cast<std::size_t>(length) + kSpare &&
            !doc.sampleData.Resize(length + kSpare)) {
            return false;
        }
        std::vector<Crossing> log;
        log.reserve(static_cast<std::size_t>(std::abs(target - current)));
        for (int at = current; at != target;) {
            const bool back = target < at;
            if (!Cross(back ? at : at + 1, back, doc, length, log)) {
                Undo(doc, length, log);
                return false;
            }
            at += back ? -1 : 1;
        }
        // What the crossed steps held before is gone: its memory, its file, its write.
        for (const Crossing& crossing : log) {
            Step& step = steps[crossing.step];
            DropSpill(step, crossing.heldLength);
            memory += step.middle.bytes;
            memory -= crossing.fromFile ? 0 : crossing.heldLength;
        }
        doc.byteLength = length;
        if (doc.sampleData.Size() > static_cast<std::size_t>(length) + kSpare) {
            doc.sampleData.Resize(length + kSpare); // a failed shrink keeps the larger block
        }
        return true;
    }

    // Goes to the neighbouring step `target` whose state the undo snapshot holds: the
    // document and the snapshot exchange their blocks, and the step crossed takes the side the
    // document left, copied from it before the exchange.
    bool SwapAcross(int target, SoundDocument& doc, UndoSnapshot& snapshot) {
        const int index = std::max(target, current);
        const StepRange& range = steps[index].range;
        const std::int32_t leftMiddle = target < current ? range.newLength : range.oldLength;
        SharedBytes out = CopyShared(std::as_const(doc).Data() + range.prefix, leftMiddle, kSpare);
        if (!out.block) {
            return false;
        }
        SwapWithSnapshot(doc, snapshot);
        Release(index);
        steps[index].middle = std::move(out);
        memory += leftMiddle;
        snapshotStep = current;
        snapshotRevision = snapshot.data.Revision();
        return true;
    }

    bool GoTo(int target, const StepPositions& positions, SoundDocument& doc,
              UndoSnapshot& snapshot) {
        if (!enabled) {
            return false;
        }
        const StepState& now = steps[current].after;
        if (target < first || target >= static_cast<int>(steps.size()) ||
            doc.byteLength != now.length || !(doc.format == now.format)) {
            return false;
        }
        const Place left{current, PositionsOf(doc)};
        const bool swap = std::abs(target - current) == 1 && SnapshotHolds(target, snapshot);
        if (!(swap ? SwapAcross(target, doc, snapshot) : Walk(target, doc))) {
            return false;
        }
        bool identityCrossed = false;
        for (int i = std::min(target, current) + 1; i <= std::max(target, current); ++i) {
            identityCrossed = identityCrossed || steps[i].identityChanged;
        }
        NoteCrossed(target, now.length);
        current = target;
        const StepState& state = steps[target].after;
        doc.format = state.format;
        doc.RecomputeBytesPerSample();
        doc.byteLength = state.length;
        ApplyPositions(doc, positions);
        if (identityCrossed) {
            ApplyIdentity(doc, state.identity);
        }
        doc.modified = state.modified;
        alternate = left;
        Enforce();
        return true;
    }

    // The bytes the steps between the current one and `target` changed: from the first
    // that any of them changed, to the last when none changed the length, else to the end.
    void NoteCrossed(int target, std::int32_t lengthBefore) {
        StepRange r{std::numeric_limits<std::int32_t>::max(), 0, 0};
        std::int32_t end = 0;
        bool sameLength = true;
        for (int i = std::min(target, current) + 1; i <= std::max(target, current); ++i) {
            const StepRange& step = steps[i].range;
            r.prefix = std::min(r.prefix, step.prefix);
            end = std::max(end, step.prefix + step.newLength);
            sameLength = sameLength && step.oldLength == step.newLength;
        }
        const std::int32_t lengthAfter = steps[target].after.length;
        r.prefix = std::min({r.prefix, lengthBefore, lengthAfter});
        r.oldLength = sameLength ? end - r.prefix : lengthBefore - r.prefix;
        r.newLength = sameLength ? end - r.prefix : lengthAfter - r.prefix;
        ++changes;
        lastChange = r;
    }

    // --- Budget -------------------------------------------------------------------------------

    bool DiskFits(std::uint64_t bytes) {
        if (diskFailed || disk + bytes > budget.diskBytes) {
            return false;
        }
        if (readyFolder != budget.spillFolder) {
            if (!MakePrivateFolder(budget.spillFolder, madeFolders)) {
                return false;
            }
            // Held for the history's life, so no other editor's sweep takes the folder; then
            // the folders of editors that died are swept.
            if (folderLock >= 0) {
                close(folderLock);
            }
            folderLock = LockSpillFolder(budget.spillFolder);
            SweepDeadSpillFolders(budget.spillFolder);
            readyFolder = budget.spillFolder;
        }
        // Never past a tenth of the free space there would be without the files written.
        return (disk + bytes) * 10 <= FreeBytes(budget.spillFolder) + (disk - pending);
    }

    bool Spill(int index) {
        Step& step = steps[index];
        const std::uint64_t id = ++lastJob;
        StepSpill::Write write{id, index, step.middle,
                               budget.spillFolder + "/step-" + std::to_string(id)};
        if (!spill.Enqueue(std::move(write))) {
            diskFailed = true;
            return false;
        }
        step.job = id;
        pending += step.middle.bytes;
        disk += step.middle.bytes;
        return true;
    }

    // The oldest step that can be gone to moves up by one; the step that can no longer be
    // crossed lets its bytes go.
    void DropOldest() {
        ++first;
        Release(first);
        if (alternate.step < first) {
            alternate = {};
        }
    }

    // Moves the held middles farthest from the current step to disk while memory is over the
    // budget, and drops the oldest steps while the disk cannot take them. Only queues writes.
    void Enforce() {
        while (enabled && memory - pending > budget.memoryBytes) {
            int farthest = -1;
            for (int i = first + 1; i < static_cast<int>(steps.size()); ++i) {
                const Step& step = steps[i];
                if (step.middle.block && step.job == 0 && step.middle.bytes != 0 &&
                    (farthest < 0 || std::abs(i - current) > std::abs(farthest - current))) {
                    farthest = i;
                }
            }
            if (farthest < 0) {
                return;
            }
            if (DiskFits(steps[farthest].middle.bytes) && Spill(farthest)) {
                continue;
            }
            if (first >= current) {
                return;
            }
            DropOldest();
        }
    }
};

EditHistory::EditHistory() : impl_(std::make_unique<Impl>()) {
    impl_->budget = DefaultHistoryBudget();
}
EditHistory::~EditHistory() = default;

bool EditHistory::Enabled() const {
    return impl_->enabled;
}

void EditHistory::Enable(const SoundDocument& doc, const std::string& text, std::int64_t time) {
    impl_->Clear();
    Impl::Step start;
    start.text = text;
    start.time = time;
    start.after = StateOf(doc);
    start.identityChanged = true;
    impl_->steps.push_back(std::move(start));
    impl_->enabled = true;
    // What editors that died left in the cache goes, whether or not this one spills.
    SweepDeadSpillFolders(impl_->budget.spillFolder);
}

void EditHistory::Disable() {
    impl_->Clear();
    impl_->enabled = false;
}

void EditHistory::SetBudget(const HistoryBudget& budget) {
    impl_->budget = budget;
    impl_->diskFailed = false;
    impl_->Enforce();
}

std::uint64_t EditHistory::Changes() const {
    return impl_->changes;
}

StepRange EditHistory::LastChange() const {
    return impl_->lastChange;
}

const HistoryBudget& EditHistory::Budget() const {
    return impl_->budget;
}

bool EditHistory::Record(const std::string& text, std::int64_t time, UndoSnapshot& before,
                         const SoundDocument& doc, bool identityChanged, StepChange* change) {
    Impl& h = *impl_;
    if (!h.enabled) {
        return true;
    }
    const std::uint8_t* oldBytes = std::as_const(before.data).Data();
    const std::uint8_t* newBytes = doc.Data();
    const bool readable =
        before.data.Size() >= static_cast<std::size_t>(std::max(before.length, 0)) &&
        doc.sampleData.Size() >= static_cast<std::size_t>(std::max(doc.byteLength, 0));
    StepRange range = readable ? DiffSounds(oldBytes, before.length, before.format, newBytes,
                                            doc.byteLength, doc.format)
                               : StepRange{};
    // A change that left only a little at the ends as it was (a fade whose last samples keep
    // their value, a volume change of a sound that starts in silence) is held as a whole one:
    // the step takes the snapshot's block, and the few unchanged bytes it then holds cost less
    // than a copy of nearly the whole sound beside the snapshot's.
    if (readable && before.length > 0 && range.oldLength >= before.length - before.length / 8) {
        range = {0, before.length, doc.byteLength};
    }
    const bool whole =
        readable && before.length > 0 && range.prefix == 0 && range.oldLength == before.length;
    ++h.changes;
    h.lastChange = readable ? range : StepRange{0, before.length, doc.byteLength};
    SharedBytes oldMiddle;
    if (readable && !whole) {
        oldMiddle = CopyShared(oldBytes + range.prefix, range.oldLength, kSpare);
    }
    if (change) {
        const bool leave = change->leaveNewMiddle;
        *change = {};
        change->leaveNewMiddle = leave;
        change->range = range;
        if (!leave) {
            change->newMiddle = CopyShared(newBytes + range.prefix, range.newLength);
        }
        change->after = StateOf(doc);
        change->text = text;
        change->time = time;
        change->identityChanged = identityChanged;
    }
    if (whole) {
        // The snapshot's block is the old middle: the step takes it, the snapshot is empty.
        oldMiddle = AdoptShared(std::move(before.data), before.length);
        before.length = 0;
        before.selStart = before.selEnd = before.cursor = before.anchor = 0;
        before.peaks.MarkAllChanged();
        if (change) {
            change->before = oldMiddle;
        }
    }
    for (int i = static_cast<int>(h.steps.size()) - 1; i > h.current; --i) {
        h.Release(i);
        h.steps.pop_back();
    }
    Impl::Step step;
    step.text = text;
    step.time = time;
    step.after = StateOf(doc);
    step.before = {before.selStart, before.selEnd, before.cursor, before.anchor};
    step.identityChanged = identityChanged;
    step.range = range;
    const bool held = oldMiddle.block != nullptr;
    h.memory += oldMiddle.bytes;
    step.middle = std::move(oldMiddle);
    h.steps.push_back(std::move(step));
    h.current = static_cast<int>(h.steps.size()) - 1;
    if (change) {
        change->step = h.current;
    }
    if (!held) {
        // No memory for the old middle: the earlier steps can no longer be reached.
        while (h.first < h.current) {
            h.DropOldest();
        }
        h.snapshotStep = -1;
        return false;
    }
    h.alternate = {h.current - 1, h.steps.back().before};
    h.snapshotStep = whole ? -1 : h.current - 1;
    h.snapshotRevision = before.data.Revision();
    h.Enforce();
    return true;
}

void EditHistory::ForgetSnapshot() {
    impl_->snapshotStep = -1;
}

int EditHistory::Count() const {
    return static_cast<int>(impl_->steps.size());
}

int EditHistory::FirstStep() const {
    return impl_->first;
}

int EditHistory::Current() const {
    return impl_->current;
}

StepListing EditHistory::Listing(int step) const {
    const Impl& h = *impl_;
    if (step < 0 || step >= Count()) {
        return {};
    }
    const Impl::Step& s = h.steps[step];
    StepListing listing{s.text, s.time, s.after.format, s.after.length, 0, StepPlace::Memory};
    if (step < h.first) {
        listing.place = StepPlace::Dropped;
    } else if (step > h.first) {
        listing.heldBytes = static_cast<std::uint64_t>(h.HeldLength(step));
        listing.place = s.middle.block ? StepPlace::Memory : StepPlace::Disk;
    }
    return listing;
}

const StepState& EditHistory::State(int step) const {
    static const StepState none;
    return step >= 0 && step < Count() ? impl_->steps[step].after : none;
}

bool EditHistory::GoTo(int target, SoundDocument& doc, UndoSnapshot& snapshot) {
    if (target < 0 || target >= Count()) {
        return false;
    }
    return impl_->GoTo(target, impl_->steps[target].after.positions, doc, snapshot);
}

bool EditHistory::ToggleUndo(SoundDocument& doc, UndoSnapshot& snapshot) {
    const Impl::Place to = impl_->alternate;
    return to.step >= 0 && to.step < Count() && impl_->GoTo(to.step, to.positions, doc, snapshot);
}

bool EditHistory::StepBack(SoundDocument& doc, UndoSnapshot& snapshot) {
    Impl& h = *impl_;
    return CanStepBack() && h.GoTo(h.current - 1, h.steps[h.current].before, doc, snapshot);
}

bool EditHistory::StepForward(SoundDocument& doc, UndoSnapshot& snapshot) {
    Impl& h = *impl_;
    return CanStepForward() &&
           h.GoTo(h.current + 1, h.steps[h.current + 1].after.positions, doc, snapshot);
}

bool EditHistory::CanStepBack() const {
    return impl_->enabled && impl_->current > impl_->first;
}

bool EditHistory::CanStepForward() const {
    return impl_->enabled && impl_->current + 1 < Count();
}

void EditHistory::MarkSaved(const StepIdentity& identity) {
    Impl& h = *impl_;
    if (!h.enabled) {
        return;
    }
    // The steps of the file the current one belongs to: from the step that opened or made it
    // up to the next such step.
    int from = h.current;
    while (from > 0 && !h.steps[from].identityChanged) {
        --from;
    }
    for (int i = from; i < Count() && (i == from || !h.steps[i].identityChanged); ++i) {
        h.steps[i].after.identity = identity;
        h.steps[i].after.modified = i != h.current;
    }
}

void EditHistory::Poll() {
    Impl& h = *impl_;
    for (StepSpill::Write& write : h.spill.Collect()) {
        const bool ours = write.step < Count() && h.steps[write.step].job == write.id;
        if (!ours) {
            if (write.ok) {
                unlink(write.path.c_str()); // its step let go of the bytes meanwhile
            }
            continue;
        }
        Impl::Step& step = h.steps[write.step];
        const std::uint64_t bytes = step.middle.bytes;
        step.job = 0;
        h.pending -= bytes;
        if (write.ok) {
            step.file = write.path;
            step.fileBytes = bytes;
            step.middle = {};
            h.memory -= bytes;
        } else {
            h.disk -= bytes;
            h.diskFailed = true;
        }
    }
    h.Enforce();
}

std::uint64_t EditHistory::MemoryBytes() const {
    return impl_->memory;
}

std::uint64_t EditHistory::DiskBytes() const {
    return impl_->disk;
}

} // namespace wt
