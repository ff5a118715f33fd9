// LZMA / LZMA2 (+BCJ x86) blocks decoded as a stream.
#include "folderstream.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <7zAlloc.h>
#include <7zCrc.h>
#include <Bra.h>
#include <Lzma2Dec.h>
#include <LzmaDec.h>

namespace zrl::payload {
namespace {

constexpr UInt32 kMethodLzma = 0x30101;
constexpr UInt32 kMethodLzma2 = 0x21;
constexpr UInt32 kMethodBcj = 0x3030103;
constexpr size_t kOutSlice = 1 << 20;   // output handed on per step
constexpr size_t kInChunk = 1 << 20;    // input read per step when the source has no view

const ISzAlloc kAlloc = {SzAlloc, SzFree};

struct Plan {
    bool lzma2 = false;
    bool bcj = false;
    const Byte* props = nullptr;
    unsigned propsSize = 0;
    uint64_t packOffset = 0;
    uint64_t packSize = 0;
    uint64_t coderOutSize = 0;   // what the LZMA coder produces (= block size)
    size_t dictionary = 0;       // the window actually allocated
};

uint64_t DictionaryOf(const Plan& plan) {
    if (plan.lzma2) {
        const unsigned prop = plan.props[0];
        if (prop >= 40) return 0xFFFFFFFFull;
        return static_cast<uint64_t>(2 | (prop & 1)) << (prop / 2 + 11);
    }
    const Byte* p = plan.props + 1;
    return p[0] | (static_cast<uint64_t>(p[1]) << 8) | (static_cast<uint64_t>(p[2]) << 16) | (static_cast<uint64_t>(p[3]) << 24);
}

bool MakePlan(const CSzArEx& db, uint32_t folderIndex, Plan* plan) {
    const CSzAr& ar = db.db;
    CSzData sd;
    sd.Data = ar.CodersData + ar.FoCodersOffsets[folderIndex];
    sd.Size = ar.FoCodersOffsets[folderIndex + 1] - ar.FoCodersOffsets[folderIndex];
    CSzFolder folder;
    if (SzGetNextFolderItem(&folder, &sd) != SZ_OK || sd.Size != 0) return false;
    if (folder.UnpackStream != ar.FoToMainUnpackSizeIndex[folderIndex]) return false;
    if (folder.NumPackStreams != 1 || folder.PackStreams[0] != 0) return false;

    const CSzCoderInfo& main = folder.Coders[0];
    if (main.NumStreams != 1) return false;
    if (main.MethodID == kMethodLzma2 && main.PropsSize == 1) plan->lzma2 = true;
    else if (main.MethodID == kMethodLzma && main.PropsSize == LZMA_PROPS_SIZE) plan->lzma2 = false;
    else return false;

    if (folder.NumCoders == 1) {
        if (folder.NumBonds != 0) return false;
    } else if (folder.NumCoders == 2) {
        const CSzCoderInfo& filter = folder.Coders[1];
        if (filter.MethodID != kMethodBcj || filter.NumStreams != 1 || filter.PropsSize != 0 ||
            folder.NumBonds != 1 || folder.Bonds[0].InIndex != 1 || folder.Bonds[0].OutIndex != 0)
            return false;
        plan->bcj = true;
    } else {
        return false;
    }

    plan->props = ar.CodersData + ar.FoCodersOffsets[folderIndex] + main.PropsOffset;
    plan->propsSize = main.PropsSize;
    const UInt32 pack = ar.FoStartPackStreamIndex[folderIndex];
    plan->packOffset = db.dataPos + ar.PackPositions[pack];
    plan->packSize = ar.PackPositions[pack + 1] - ar.PackPositions[pack];
    plan->coderOutSize = ar.CoderUnpackSizes[ar.FoToCoderUnpackSizes[folderIndex]];
    if (plan->coderOutSize != SzAr_GetFolderUnpackSize(&ar, folderIndex)) return false;

    // The window never needs to be larger than the block it decodes.
    const uint64_t window = std::max<uint64_t>(std::min(DictionaryOf(*plan), plan->coderOutSize), 1 << 12);
    if (window > (1ull << 31)) return false;
    plan->dictionary = static_cast<size_t>(window);
    return true;
}

// The x86 branch filter applied across slices: bytes it cannot decide yet
// (at most four) wait for the next slice.
class BcjStage {
public:
    explicit BcjStage(FolderSink& next) : next_(next), buffer_(kOutSlice + 16) {}

    bool Consume(const uint8_t* data, size_t size) {
        while (size > 0) {
            const size_t take = std::min(size, buffer_.size() - carry_);
            std::memcpy(buffer_.data() + carry_, data, take);
            data += take;
            size -= take;
            const size_t total = carry_ + take;
            Byte* end = z7_BranchConvSt_X86_Dec(buffer_.data(), total, pc_, &state_);
            const size_t done = static_cast<size_t>(end - buffer_.data());
            if (done > 0 && !next_.Consume(buffer_.data(), done)) return false;
            pc_ += static_cast<UInt32>(done);
            carry_ = total - done;
            std::memmove(buffer_.data(), buffer_.data() + done, carry_);
        }
        return true;
    }

    // The last bytes stay as they are, as in a single pass over the block.
    bool Finish() { return carry_ == 0 || next_.Consume(buffer_.data(), carry_); }

private:
    FolderSink& next_;
    std::vector<Byte> buffer_;
    size_t carry_ = 0;
    UInt32 pc_ = 0;
    UInt32 state_ = Z7_BRANCH_CONV_ST_X86_STATE_INIT_VAL;
};

// Owns the LZMA or LZMA2 decoder state over a window of our own size.
class Decoder {
public:
    explicit Decoder(const Plan& plan) : lzma2_(plan.lzma2) {
        LzmaDec_CONSTRUCT(&lzma_);
        Lzma2Dec_CONSTRUCT(&lzma2State_);
        window_.reset(new (std::nothrow) Byte[plan.dictionary]);
        if (!window_) { status_ = SZ_ERROR_MEM; return; }
        status_ = lzma2_ ? Lzma2Dec_AllocateProbs(&lzma2State_, plan.props[0], &kAlloc)
                         : LzmaDec_AllocateProbs(&lzma_, plan.props, plan.propsSize, &kAlloc);
        if (status_ != SZ_OK) return;
        CLzmaDec& core = Core();
        core.dic = window_.get();
        core.dicBufSize = plan.dictionary;
        if (lzma2_) Lzma2Dec_Init(&lzma2State_); else LzmaDec_Init(&lzma_);
    }
    ~Decoder() {
        // The window is ours: detach it before the library frees its own parts.
        Core().dic = nullptr;
        if (lzma2_) Lzma2Dec_FreeProbs(&lzma2State_, &kAlloc); else LzmaDec_FreeProbs(&lzma_, &kAlloc);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    SRes Status() const { return status_; }
    CLzmaDec& Core() { return lzma2_ ? lzma2State_.decoder : lzma_; }
    bool Lzma2() const { return lzma2_; }

    SRes Decode(SizeT limit, const Byte* in, SizeT* inSize, ELzmaFinishMode mode, ELzmaStatus* status) {
        return lzma2_ ? Lzma2Dec_DecodeToDic(&lzma2State_, limit, in, inSize, mode, status)
                      : LzmaDec_DecodeToDic(&lzma_, limit, in, inSize, mode, status);
    }

private:
    bool lzma2_;
    CLzmaDec lzma_;
    CLzma2Dec lzma2State_;
    std::unique_ptr<Byte[]> window_;
    SRes status_ = SZ_OK;
};

// Compressed input, in place when the source allows, else through a buffer.
class Input {
public:
    Input(const ByteSource& source, uint64_t offset, uint64_t size)
        : source_(source), offset_(offset), left_(size) {}

    // Makes input available; false on a read error. Empty at the end.
    bool Refill() {
        if (avail_ > 0 || left_ == 0) return true;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left_, kInChunk));
        if (const uint8_t* view = source_.View(offset_, n)) {
            data_ = view;
            avail_ = n;
        } else {
            if (buffer_.empty()) buffer_.resize(kInChunk);
            size_t got = 0;
            if (!source_.ReadAt(offset_, buffer_.data(), n, &got)) return false;
            data_ = buffer_.data();
            avail_ = got;
            if (got == 0) left_ = 0;   // the source ends early: truncated
        }
        offset_ += avail_;
        left_ -= std::min<uint64_t>(left_, avail_);
        return true;
    }
    const Byte* Data() const { return data_; }
    size_t Avail() const { return avail_; }
    void Advance(size_t n) { data_ += n; avail_ -= n; }
    bool Exhausted() const { return avail_ == 0 && left_ == 0; }

private:
    const ByteSource& source_;
    uint64_t offset_;
    uint64_t left_;
    const Byte* data_ = nullptr;
    size_t avail_ = 0;
    std::vector<Byte> buffer_;
};

// Checks the block CRC on the way to the real sink.
class CrcStage final : public FolderSink {
public:
    explicit CrcStage(FolderSink& next) : next_(next) {}
    bool Consume(const uint8_t* data, size_t size) override {
        crc_ = CrcUpdate(crc_, data, size);
        return next_.Consume(data, size);
    }
    UInt32 Digest() const { return CRC_GET_DIGEST(crc_); }
private:
    FolderSink& next_;
    UInt32 crc_ = CRC_INIT_VAL;
};

} // namespace

bool CanStreamFolder(const CSzArEx& db, uint32_t folder, uint64_t* memory) {
    Plan plan;
    if (!MakePlan(db, folder, &plan)) return false;
    if (memory) *memory = plan.dictionary + kInChunk + (plan.bcj ? kOutSlice : 0);
    return true;
}

SRes StreamFolder(const CSzArEx& db, uint32_t folderIndex, const ByteSource& source, FolderSink& sink) {
    Plan plan;
    if (!MakePlan(db, folderIndex, &plan)) return SZ_ERROR_UNSUPPORTED;
    Decoder decoder(plan);
    if (decoder.Status() != SZ_OK) return decoder.Status();

    CrcStage crc(sink);
    FolderSink& out = crc;
    std::unique_ptr<BcjStage> bcj(plan.bcj ? new BcjStage(out) : nullptr);
    auto emit = [&](const uint8_t* data, size_t size) {
        return bcj ? bcj->Consume(data, size) : out.Consume(data, size);
    };

    Input input(source, plan.packOffset, plan.packSize);
    CLzmaDec& core = decoder.Core();
    uint64_t remaining = plan.coderOutSize;
    while (remaining > 0) {
        if (!input.Refill()) return SZ_ERROR_READ;
        if (core.dicPos == core.dicBufSize) core.dicPos = 0;
        const SizeT start = core.dicPos;
        const SizeT limit = start + static_cast<SizeT>(std::min<uint64_t>(
            {static_cast<uint64_t>(core.dicBufSize - start), remaining, kOutSlice}));
        SizeT used = input.Avail();
        ELzmaStatus status;
        const SRes res = decoder.Decode(limit, input.Data(), &used, LZMA_FINISH_ANY, &status);
        input.Advance(used);
        if (res != SZ_OK) return SZ_ERROR_DATA;
        const SizeT produced = core.dicPos - start;
        if (produced > 0) {
            remaining -= produced;
            if (!emit(core.dic + start, produced)) return kStoppedBySink;
        } else if (used == 0) {
            // No progress: the input ended, or the stream ended before the block did.
            return SZ_ERROR_DATA;
        }
    }
    if (bcj && !bcj->Finish()) return kStoppedBySink;

    if (decoder.Lzma2()) {
        // LZMA2 ends with its own end mark, which must follow the last byte.
        for (;;) {
            if (!input.Refill()) return SZ_ERROR_READ;
            SizeT used = input.Avail();
            ELzmaStatus status;
            const SRes res = decoder.Decode(core.dicPos, input.Data(), &used, LZMA_FINISH_END, &status);
            input.Advance(used);
            if (res != SZ_OK) return SZ_ERROR_DATA;
            if (status == LZMA_STATUS_FINISHED_WITH_MARK) break;
            if (used == 0) return SZ_ERROR_DATA;
        }
    }

    if (SzBitWithVals_Check(&db.db.FolderCRCs, folderIndex) && crc.Digest() != db.db.FolderCRCs.Vals[folderIndex])
        return SZ_ERROR_CRC;
    return SZ_OK;
}

} // namespace zrl::payload
