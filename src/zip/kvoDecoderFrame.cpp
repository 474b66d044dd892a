// The frame around the decoders of one entry (zip layer); see the header.
#include "zip/kvoDecoderFrame.h"

#include <algorithm>
#include <cstring>

#include "zip/kvoErrors.h"

namespace riviza::zip {

TDecoderFrame::TDecoderFrame(const TDecoderIo& io, uint64_t compressedSize, uint64_t uncompressedSize,
                             TExtractLimit* limit)
    : io_(io),
      compressedLeft_(compressedSize),
      uncompressedLeft_(uncompressedSize),
      limit_(limit),
      input_(std::make_unique_for_overwrite<uint8_t[]>(kBlockSize)) {}

std::span<const uint8_t> TDecoderFrame::nextInput() {
  if (cancelled()) return {};
  if (compressedLeft_ == 0) {
    inputEnded_ = true;
    return {};
  }
  const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlockSize, compressedLeft_));
  const size_t got = std::min(io_.read({input_.get(), want}), want);
  if (got == 0) {
    inputEnded_ = true;
    return {};
  }
  compressedLeft_ -= got;
  return {input_.get(), got};
}

uint64_t TDecoderFrame::outputAllowed() const {
  return limit_ ? std::min(uncompressedLeft_, limit_->remaining) : uncompressedLeft_;
}

Error TDecoderFrame::overflowError() const {
  if (limit_ && limit_->remaining < uncompressedLeft_)
    return zipError(kZipOutputLimit, "the extraction's output limit is reached");
  return zipError(kZipBadData, "the data go on past the entry's size");
}

Status TDecoderFrame::write(std::span<const uint8_t> block) {
  if (cancelled()) return zipError(kZipUserCanceled);
  const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), outputAllowed()));
  if (n > 0) {
    RIVIZA_TRY(io_.write(block.first(n)));
    uncompressedLeft_ -= n;
    if (limit_) limit_->remaining -= n;
  }
  if (n < block.size()) return overflowError();
  return okStatus();
}

bool TFrameBitReader::fill(unsigned n) {
  while (count_ <= 56) {
    if (pos_ == block_.size()) {
      block_ = frame_.nextInput();
      pos_ = 0;
      if (block_.empty()) break;
    }
    bits_ |= uint64_t{block_[pos_++]} << count_;
    count_ += 8;
  }
  return count_ >= n;
}

// The buffer starts zeroed: the window before the first byte is the format's zero history.
TLegacyOutput::TLegacyOutput(TDecoderFrame& frame, size_t windowSize)
    : frame_(frame),
      windowSize_(windowSize),
      buffer_(std::make_unique<uint8_t[]>(windowSize + TDecoderFrame::kBlockSize)),
      start_(windowSize),
      pos_(windowSize),
      end_(windowSize + TDecoderFrame::kBlockSize),
      left_(frame.outputAllowed()),
      declared_(frame.uncompressedLeft()) {}

bool TLegacyOutput::fail(Error error) {
  if (!error_) error_ = std::move(error);
  return false;
}

bool TLegacyOutput::overflow() { return fail(frame_.overflowError()); }

// Writes the block and slides the window to the front of the buffer.
bool TLegacyOutput::flushBlock() {
  if (error_) return false;
  if (Status s = frame_.write({buffer_.get() + start_, pos_ - start_}); !s) {
    writeFailed_ = true;
    return fail(s.error());
  }
  produced_ += pos_ - start_;
  std::memmove(buffer_.get(), buffer_.get() + pos_ - windowSize_, windowSize_);
  start_ = pos_ = windowSize_;
  return true;
}

bool TLegacyOutput::copy(size_t distance, size_t length) {
  if (error_) return false;
  if (distance == 0 || distance > windowSize_)
    return fail(zipError(kZipBadData, "a distance reaches beyond the window"));
  while (length > 0) {
    if (left_ == 0) return overflow();
    const size_t n = std::min({length, end_ - pos_, static_cast<size_t>(std::min<uint64_t>(left_, length))});
    uint8_t* dst = buffer_.get() + pos_;
    const uint8_t* src = dst - distance;
    for (size_t i = 0; i < n; ++i) dst[i] = src[i];  // overlapping on purpose: a period repeats
    pos_ += n;
    left_ -= n;
    length -= n;
    if (pos_ == end_ && !flushBlock()) return false;
  }
  return true;
}

Status TLegacyOutput::finish() {
  if (!writeFailed_ && pos_ > start_) {
    if (Status s = frame_.write({buffer_.get() + start_, pos_ - start_}); !s) fail(s.error());
    produced_ += pos_ - start_;
    start_ = pos_;
  }
  if (error_) return *error_;
  return okStatus();
}

}  // namespace riviza::zip
