// The extraction run: archive database, name checks, block workers and the
// calling thread's walk through the entries in archive order.
#include "extractor.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <cwchar>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include <7z.h>
#include <7zAlloc.h>
#include <7zCrc.h>

#include "entrypath.h"
#include "folderstream.h"
#include "../../base/unique_handle.h"
#include "../../../../jvpublic/jvbase/trace.h"

namespace zrl::payload {
namespace {

constexpr wchar_t kFunction[] = L"Lua_UnCompress7z";
constexpr UInt32 kNoFolder = static_cast<UInt32>(-1);
constexpr int kNoDecision = INT_MIN;
constexpr int kAbort = 2;

const ISzAlloc kAlloc = {SzAlloc, SzFree};
const ISzAlloc kAllocTemp = {SzAllocTemp, SzFreeTemp};

enum class Outcome : uint8_t { Pending, Written, CreateFailed, Skipped, Failed };

struct Slot {
    Outcome outcome = Outcome::Pending;
    int code = 0;
    int decision = kNoDecision;
};

// Clears a read-only attribute in the way, then creates (or truncates) the file.
HANDLE CreateEntryFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

class Run {
public:
    Run(const CSzArEx& db, const ByteSource& source, const std::wstring& destDir, const ExtractCallbacks& callbacks)
        : db_(db), source_(source), destDir_(destDir), callbacks_(callbacks), folderLimit_(db.db.NumFolders) {}

    int Execute(unsigned workers);

    // Worker side ------------------------------------------------------
    const CSzArEx& Db() const { return db_; }
    const ByteSource& Source() const { return source_; }
    const std::wstring& Path(uint32_t entry) const { return paths_[entry]; }
    size_t NameStart() const { return destDir_.size() + 1; }
    bool Stopped() const { return stop_.load(std::memory_order_relaxed); }
    std::mutex& WholeBlockLock() { return wholeBlock_; }

    void Report(uint32_t entry, Outcome outcome, int code = 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        slots_[entry].outcome = outcome;
        slots_[entry].code = code;
        if (outcome == Outcome::Failed) {
            // No block after a failed one is started: a serial run never gets there.
            const uint32_t next = db_.FileToFolder[entry] + 1;
            if (next < folderLimit_.load()) folderLimit_ = next;
        }
        changed_.notify_all();
    }

    // Hands the failure to the calling thread and waits for its decision.
    int AskCreateFailed(uint32_t entry, DWORD code) {
        std::unique_lock<std::mutex> lock(mutex_);
        slots_[entry].outcome = Outcome::CreateFailed;
        slots_[entry].code = static_cast<int>(code);
        changed_.notify_all();
        changed_.wait(lock, [&] { return slots_[entry].decision != kNoDecision || Stopped(); });
        return slots_[entry].decision != kNoDecision ? slots_[entry].decision : kAbort;
    }

    bool FinishFile(zrl::UniqueFileHandle& file, uint32_t entry) const;

private:
    void Worker();
    void ProcessFolder(uint32_t folder);
    bool CheckNames();
    int WriteEmptyFile(uint32_t entry, int& status);
    Slot WaitFor(uint32_t entry, bool (*done)(Outcome));
    void Decide(uint32_t entry, int action);
    void Stop();
    void Extracted(const std::wstring& path) const {
        if (callbacks_.onFileExtracted) callbacks_.onFileExtracted(path);
    }
    int CreateFailedAction(const std::wstring& path, int code) const {
        TRACE(L"Fun:%s, Description:CreateFileW %s failed, error %d\r\n", kFunction, path.c_str(), code);
        return callbacks_.onCreateFailed ? callbacks_.onCreateFailed(path, static_cast<DWORD>(code)) : kAbort;
    }

    const CSzArEx& db_;
    const ByteSource& source_;
    const std::wstring& destDir_;
    const ExtractCallbacks& callbacks_;
    std::vector<std::wstring> paths_;
    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<bool> stop_{false};
    std::atomic<uint32_t> nextFolder_{0};
    std::atomic<uint32_t> folderLimit_;
    std::mutex wholeBlock_;
};

bool Run::FinishFile(zrl::UniqueFileHandle& file, uint32_t entry) const {
    if (SzBitWithVals_Check(&db_.MTime, entry)) {
        const CNtfsFileTime& t = db_.MTime.Vals[entry];
        FILETIME written{t.Low, t.High};
        ::SetFileTime(file.Get(), nullptr, nullptr, &written);
    }
    ::SetLastError(0);
    if (!::CloseHandle(file.Release()) && ::GetLastError() != 0) return false;
    if (SzBitWithVals_Check(&db_.Attribs, entry)) {
        DWORD attributes = db_.Attribs.Vals[entry];
        // Archives made on POSIX systems carry the file mode in the high word,
        // flagged by 0x8000; only the Windows attributes below it are applied.
        if (attributes & 0x8000) attributes &= 0x7FFF;
        ::SetFileAttributesW(paths_[entry].c_str(), attributes);
    }
    return true;
}

// Writes the files of one block as its bytes come out: one open file at a time,
// the entry's CRC checked at its end, a failed entry's partial file removed.
class FolderWriter final : public FolderSink {
public:
    FolderWriter(Run& run, std::vector<uint32_t> entries) : run_(run), entries_(std::move(entries)) {}

    bool Consume(const uint8_t* data, size_t size) override {
        while (size > 0) {
            if (!open_) {
                if (cur_ == entries_.size()) {   // more output than the entries hold
                    Fail(entries_.back(), SZ_ERROR_DATA);
                    return false;
                }
                if (!BeginNext()) return false;
                if (left_ == 0) {
                    if (!EndCurrent()) return false;
                    continue;
                }
            }
            const size_t n = static_cast<size_t>(std::min<uint64_t>(size, left_));
            if (!skipping_) {
                crc_ = CrcUpdate(crc_, data, n);
                if (!WriteAll(data, n)) {
                    FailCurrent(SZ_ERROR_FAIL);
                    return false;
                }
            }
            data += n;
            size -= n;
            left_ -= n;
            if (left_ == 0 && !EndCurrent()) return false;
        }
        return !run_.Stopped();
    }

    // After the block's decode: settles the entries left, or the failure.
    void Complete(SRes result) {
        if (failed_) return;
        if (result == SZ_OK) {
            while (cur_ < entries_.size()) {
                if (!open_ && !BeginNext()) return;
                if (left_ != 0) {
                    FailCurrent(SZ_ERROR_DATA);
                    return;
                }
                if (!EndCurrent()) return;
            }
            if (heldLast_ != kNone) run_.Report(heldLast_, Outcome::Written);
            return;
        }
        if (result == kStoppedBySink) {   // the run stopped: no half-written file stays
            if (open_ && !skipping_) Discard();
            return;
        }
        if (open_ && !skipping_) {
            FailCurrent(result);
            return;
        }
        if (heldLast_ != kNone) {
            Fail(heldLast_, result);
            return;
        }
        // A skipped entry is settled already: the failure goes to the next one the
        // calling thread waits for. Bad data inside skipped files only writes nothing.
        const size_t next = cur_ + ((open_ && skipping_) ? 1 : 0);
        if (next < entries_.size()) Fail(entries_[next], result);
    }

    bool Failed() const { return failed_; }

private:
    static constexpr uint32_t kNone = static_cast<uint32_t>(-1);

    bool BeginNext() {
        const uint32_t entry = entries_[cur_];
        const std::wstring& path = run_.Path(entry);
        CreateParentDirectories(path, run_.NameStart(), lastParent_);
        file_.Reset(CreateEntryFile(path));
        skipping_ = false;
        if (!file_) {
            const int action = run_.AskCreateFailed(entry, ::GetLastError());
            if (action == 0) {
                file_.Reset(CreateEntryFile(path));
                if (!file_) {
                    Fail(entry, SZ_ERROR_FAIL);
                    return false;
                }
            } else if (action == 1) {
                skipping_ = true;
            } else {
                failed_ = true;   // the calling thread already ended the run
                return false;
            }
        }
        open_ = true;
        left_ = SzArEx_GetFileSize(&run_.Db(), entry);
        crc_ = CRC_INIT_VAL;
        return true;
    }

    bool EndCurrent() {
        const uint32_t entry = entries_[cur_];
        const bool skipped = skipping_;
        if (!skipped) {
            const CSzArEx& db = run_.Db();
            if (SzBitWithVals_Check(&db.CRCs, entry) && CRC_GET_DIGEST(crc_) != db.CRCs.Vals[entry]) {
                FailCurrent(SZ_ERROR_CRC);
                return false;
            }
            if (!run_.FinishFile(file_, entry)) {
                Fail(entry, SZ_ERROR_FAIL);
                return false;
            }
        }
        open_ = false;
        skipping_ = false;
        ++cur_;
        if (skipped) return true;   // the calling thread has settled this entry already
        // The block's last entry waits for the block's end checks.
        if (cur_ == entries_.size()) heldLast_ = entry;
        else run_.Report(entry, Outcome::Written);
        return true;
    }

    bool WriteAll(const uint8_t* data, size_t size) {
        while (size > 0) {
            DWORD written = 0;
            const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
            if (!::WriteFile(file_.Get(), data, want, &written, nullptr) || written == 0) return false;
            data += written;
            size -= written;
        }
        return true;
    }

    void Discard() {
        file_.Reset();
        ::DeleteFileW(run_.Path(entries_[cur_]).c_str());
        open_ = false;
    }

    void FailCurrent(int code) {
        Discard();
        Fail(entries_[cur_], code);
    }

    void Fail(uint32_t entry, int code) {
        failed_ = true;
        run_.Report(entry, Outcome::Failed, code);
    }

    Run& run_;
    std::vector<uint32_t> entries_;
    size_t cur_ = 0;
    bool open_ = false;
    bool skipping_ = false;
    bool failed_ = false;
    uint32_t heldLast_ = kNone;
    zrl::UniqueFileHandle file_;
    uint64_t left_ = 0;
    UInt32 crc_ = CRC_INIT_VAL;
    std::wstring lastParent_;
};

void Run::ProcessFolder(uint32_t folder) {
    std::vector<uint32_t> entries;
    for (uint32_t i = db_.FolderToFile[folder]; i < db_.NumFiles; ++i) {
        if (db_.FileToFolder[i] == folder) entries.push_back(i);
        else if (db_.FileToFolder[i] != kNoFolder) break;
    }
    if (entries.empty()) return;
    FolderWriter writer(*this, std::move(entries));

    SRes result = SZ_OK;
    try {
        if (CanStreamFolder(db_, folder, nullptr)) {
            result = StreamFolder(db_, folder, source_, writer);
        } else {
            // Other coder chains: the library decodes the whole block, one block at a time.
            std::lock_guard<std::mutex> lock(wholeBlock_);
            LookStream look(source_);
            UInt32 blockIndex = 0xFFFFFFFF;
            Byte* buffer = nullptr;
            size_t bufferSize = 0;
            zrl::ScopeExit release([&] { ISzAlloc_Free(&kAlloc, buffer); });
            for (uint32_t i = db_.FolderToFile[folder]; i < db_.NumFiles && result == SZ_OK; ++i) {
                if (db_.FileToFolder[i] != folder) {
                    if (db_.FileToFolder[i] != kNoFolder) break;
                    continue;
                }
                size_t offset = 0, size = 0;
                result = SzArEx_Extract(&db_, look.Stream(), i, &blockIndex, &buffer, &bufferSize,
                                        &offset, &size, &kAlloc, &kAllocTemp);
                if (result == SZ_OK && !writer.Consume(buffer + offset, size)) result = kStoppedBySink;
            }
        }
    } catch (const std::bad_alloc&) {
        result = SZ_ERROR_MEM;
    }
    writer.Complete(result);
}

void Run::Worker() {
    for (;;) {
        const uint32_t folder = nextFolder_.fetch_add(1);
        if (folder >= folderLimit_.load() || Stopped()) return;
        ProcessFolder(folder);
    }
}

void Run::Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    changed_.notify_all();
}

Slot Run::WaitFor(uint32_t entry, bool (*done)(Outcome)) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return done(slots_[entry].outcome); });
    return slots_[entry];
}

void Run::Decide(uint32_t entry, int action) {
    std::lock_guard<std::mutex> lock(mutex_);
    slots_[entry].decision = action;
    if (action == 0) slots_[entry].outcome = Outcome::Pending;   // the retry's outcome follows
    changed_.notify_all();
}

bool Run::CheckNames() {
    paths_.resize(db_.NumFiles);
    std::vector<UInt16> name;
    for (uint32_t i = 0; i < db_.NumFiles; ++i) {
        name.resize(SzArEx_GetFileNameUtf16(&db_, i, nullptr));
        SzArEx_GetFileNameUtf16(&db_, i, name.data());
        const std::wstring_view text(reinterpret_cast<const wchar_t*>(name.data()), name.empty() ? 0 : name.size() - 1);
        if (!IsSafeEntryName(text)) {
            const std::wstring shown(text);
            TRACE(L"Fun:%s, Description:entry \"%s\" would land outside %s, archive refused\r\n",
                  kFunction, shown.c_str(), destDir_.c_str());
            return false;
        }
        paths_[i] = EntryPath(destDir_, text);
    }
    return true;
}

// An entry without data: created and finished here, in its turn.
int Run::WriteEmptyFile(uint32_t entry, int& status) {
    const std::wstring& path = paths_[entry];
    zrl::UniqueFileHandle file(CreateEntryFile(path));
    if (!file) {
        status = static_cast<int>(::GetLastError());
        const int action = CreateFailedAction(path, status);
        if (action == 1) return SZ_OK;
        if (action != 0) return SZ_ERROR_FAIL;
        file.Reset(CreateEntryFile(path));
        if (!file) return SZ_ERROR_FAIL;
    }
    status = 0;
    if (!FinishFile(file, entry)) return SZ_ERROR_FAIL;
    Extracted(path);
    return SZ_OK;
}

int Run::Execute(unsigned workers) {
    if (!CheckNames()) return SZ_ERROR_ARCHIVE;
    slots_.resize(db_.NumFiles);

    std::vector<std::thread> threads;
    zrl::ScopeExit join([&] {
        Stop();
        for (std::thread& t : threads) t.join();
    });
    for (unsigned w = 0; w < workers; ++w) {
        try {
            threads.emplace_back([this] { Worker(); });
        } catch (const std::exception&) {
            break;
        }
    }
    if (threads.empty() && db_.db.NumFolders > 0) return SZ_ERROR_THREAD;

    int status = 0;
    std::wstring lastParent;
    for (uint32_t i = 0; i < db_.NumFiles; ++i) {
        const std::wstring& path = paths_[i];
        if (SzArEx_IsDir(&db_, i)) {
            CreateParentDirectories(path, NameStart(), lastParent);
            ::CreateDirectoryW(path.c_str(), nullptr);
            continue;
        }
        if (db_.FileToFolder[i] == kNoFolder) {
            CreateParentDirectories(path, NameStart(), lastParent);
            const int result = WriteEmptyFile(i, status);
            if (result != SZ_OK) return result;
            continue;
        }
        Slot slot = WaitFor(i, [](Outcome o) { return o != Outcome::Pending; });
        if (slot.outcome == Outcome::CreateFailed) {
            status = slot.code;
            const int action = CreateFailedAction(path, slot.code);
            Decide(i, action);
            if (action == 1) continue;
            if (action != 0) return SZ_ERROR_FAIL;
            slot = WaitFor(i, [](Outcome o) { return o == Outcome::Written || o == Outcome::Failed; });
        }
        if (slot.outcome == Outcome::Failed) {
            TRACE(L"Fun:%s, Description:%s not extracted, code %d\r\n", kFunction, path.c_str(), slot.code);
            return slot.code;
        }
        status = 0;
        Extracted(path);
    }
    return status;
}

unsigned WorkerCount(const CSzArEx& db, const ExtractOptions& options, unsigned* streamed) {
    unsigned workers = options.workers;
    if (workers == 0) {
        wchar_t text[16];
        const DWORD n = ::GetEnvironmentVariableW(L"ZRLSETUP_EXTRACT_WORKERS", text, 16);
        if (n > 0 && n < 16) workers = static_cast<unsigned>(std::wcstoul(text, nullptr, 10));
    }
    if (workers == 0) workers = std::max(1u, std::thread::hardware_concurrency());
    workers = std::min<unsigned>(workers, std::max<UInt32>(db.db.NumFolders, 1));
    uint64_t largest = 0;
    *streamed = 0;
    for (uint32_t f = 0; f < db.db.NumFolders; ++f) {
        uint64_t memory = 0;
        if (!CanStreamFolder(db, f, &memory)) continue;
        ++*streamed;
        largest = std::max(largest, memory);
    }
    // Each worker holds one streaming decoder; together they stay within the budget.
    if (largest > 0) workers = std::min<unsigned>(workers, std::max<uint64_t>(1, options.memoryBudget / largest));
    return workers;
}

} // namespace

int ExtractArchiveToDirectory(const ByteSource& source, const std::wstring& destDir,
                              const ExtractCallbacks& callbacks, const ExtractOptions& options) {
    CrcGenerateTable();
    LookStream look(source);
    CSzArEx db;
    SzArEx_Init(&db);
    zrl::ScopeExit freeDb([&] { SzArEx_Free(&db, &kAlloc); });
    const SRes opened = SzArEx_Open(&db, look.Stream(), &kAlloc, &kAllocTemp);
    if (opened != SZ_OK) {
        TRACE(L"Fun:%s, Description:archive not opened, code %d\r\n", kFunction, static_cast<int>(opened));
        return opened;
    }
    unsigned streamed = 0;
    const unsigned workers = WorkerCount(db, options, &streamed);
    TRACE(L"Fun:%s, Description:%u entries, %u blocks (%u streamed), %u workers\r\n", kFunction,
          static_cast<unsigned>(db.NumFiles), static_cast<unsigned>(db.db.NumFolders), streamed, workers);
    Run run(db, source, destDir, callbacks);
    return run.Execute(workers);
}

} // namespace zrl::payload
