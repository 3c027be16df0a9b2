#include "modeltext.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <functional>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <isa-l/igzip_lib.h>

#include "bulkmem.h"
#include "failure.h"

namespace postsolve::modelfile {

namespace {

// A large file is read a megabyte at a time; the buffer starts small and
// doubles up to that, so that a small file never takes the megabyte. It
// grows only for what is still to come, as the file's length tells, and
// kLeastRoom more (a file may change as it is read): a file of a few lines
// takes a few kilobytes, not the 448 KiB the doubling took.
constexpr std::size_t kBlock = std::size_t{1} << 20, kFirstBlock = std::size_t{1} << 16,
                      kLeastRoom = std::size_t{1} << 12;

}  // namespace

// A gzip file's text, decompressed a piece at a time (by ISA-L's inflate,
// nearly three times as fast as zlib's here). Members follow one another, as
// when gzipped files are joined; bytes after a member that do not start
// another are ignored, as gzip ignores them.
class LineSource::GzipText {
 public:
  explicit GzipText(int fd) : fd_(fd), state_(std::make_unique<inflate_state>()) {
    isal_inflate_init(state_.get());
    state_->crc_flag = ISAL_GZIP;
  }

  // At most `room` bytes of the text into `to`, their count in `got`: at
  // least one, or 0 at the text's end. False with the reason for a damaged
  // or unreadable file.
  bool Inflate(char* to, std::size_t room, std::size_t& got, std::string& why) {
    inflate_state& state = *state_;
    got = 0;
    while (got == 0 && !ended_ && failure_.empty()) {
      if (state.block_state == ISAL_BLOCK_FINISH) {
        // A member has ended: another follows only if gzip's magic bytes do.
        while (state.avail_in < 2 && !atEnd_)
          if (!More(why)) return false;
        if (state.avail_in < 2 || state.next_in[0] != 0x1f || state.next_in[1] != 0x8b) {
          ended_ = true;
          break;
        }
        std::uint8_t* const next = state.next_in;
        const std::uint32_t available = state.avail_in;
        isal_inflate_reset(&state);
        state.crc_flag = ISAL_GZIP;
        state.next_in = next;
        state.avail_in = available;
      }
      if (state.avail_in == 0 && !atEnd_ && !More(why)) return false;
      const std::uint32_t before = state.avail_in;
      state.next_out = reinterpret_cast<std::uint8_t*>(to);
      state.avail_out = static_cast<std::uint32_t>(std::min<std::size_t>(room, std::uint32_t{1} << 30));
      const std::uint32_t asked = state.avail_out;
      const int code = isal_inflate(&state);
      got = asked - state.avail_out;
      if (code != ISAL_DECOMP_OK) {
        // The text given before the fault is read first (a wrong data check
        // comes with the member's last bytes).
        failure_ = Reason(code);
        break;
      }
      // Nothing taken and nothing given: more input is wanted, unless the
      // file ends inside a member, or a full buffer of it leads nowhere.
      if (got == 0 && state.avail_in == before && state.block_state != ISAL_BLOCK_FINISH) {
        if (atEnd_ || state.avail_in == kInput) {
          why = atEnd_ ? "unexpected end of file" : "damaged data";
          return false;
        }
        if (!More(why)) return false;
      }
    }
    if (got == 0 && !failure_.empty()) {
      why = failure_;
      return false;
    }
    return true;
  }

 private:
  static constexpr std::size_t kInput = std::size_t{1} << 18;

  static std::string Reason(int code) {
    switch (code) {
      case ISAL_INVALID_BLOCK: return "invalid deflate block";
      case ISAL_INVALID_SYMBOL: return "invalid deflate code";
      case ISAL_INVALID_LOOKBACK: return "invalid distance too far back";
      case ISAL_INVALID_WRAPPER: return "incorrect header check";
      case ISAL_UNSUPPORTED_METHOD: return "unknown compression method";
      case ISAL_INCORRECT_CHECKSUM: return "incorrect data check";
      default: return "damaged data";
    }
  }

  // Reads more of the file after the compressed bytes not yet taken (moved
  // to the front); sets atEnd_ at its end. False with the system's reason
  // (as zlib gave it, "cannot decompress: Input/output error").
  bool More(std::string& why) {
    inflate_state& state = *state_;
    if (!input_) input_ = std::make_unique_for_overwrite<std::uint8_t[]>(kInput);
    if (state.avail_in > 0 && state.next_in != input_.get()) std::memmove(input_.get(), state.next_in, state.avail_in);
    state.next_in = input_.get();
    for (;;) {
      const ssize_t got = ::read(fd_, input_.get() + state.avail_in, kInput - state.avail_in);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        why = std::strerror(errno);
        return false;
      }
      if (got == 0) atEnd_ = true;
      state.avail_in += static_cast<std::uint32_t>(got);
      return true;
    }
  }

  int fd_;
  std::unique_ptr<inflate_state> state_;
  std::unique_ptr<std::uint8_t[]> input_;
  bool atEnd_ = false;  // of the file
  bool ended_ = false;  // of the text
  std::string failure_;  // why the text stops short, once it does
};

// Decompresses a gzipped file a chunk at a time into a few chunks ahead of
// the reader, on a thread of its own, so that reading the text does not wait
// for it. Why a damaged file could not be read is kept with the chunks, and
// told when the reader reaches it.
class LineSource::Inflater {
 public:
  explicit Inflater(GzipText& gzip) : gzip_(gzip), thread_([this] { Run(); }) {}
  ~Inflater() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Copies at most `room` bytes of the text into `to`, waiting for them; 0 at
  // its end. A failure comes back as false with its reason.
  bool Take(char* to, std::size_t room, std::size_t& got, std::string& why) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || done_; });
    got = 0;
    if (ready_.empty()) {
      why = why_;
      return why.empty();
    }
    Chunk& chunk = ready_.front();
    got = std::min(room, chunk.size - chunk.taken);
    std::memcpy(to, chunk.bytes.get() + chunk.taken, got);
    chunk.taken += got;
    if (chunk.taken == chunk.size) {
      spare_.push_back(std::move(chunk.bytes));
      ready_.pop_front();
      changed_.notify_all();
    }
    return true;
  }

 private:
  static constexpr std::size_t kChunk = std::size_t{1} << 18, kAhead = 4;
  struct Chunk {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0, taken = 0;
  };

  void Run() {
    for (;;) {
      std::unique_ptr<char[]> bytes;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stop_ || ready_.size() < kAhead; });
        if (stop_) return;
        if (!spare_.empty()) {
          bytes = std::move(spare_.back());
          spare_.pop_back();
        }
      }
      std::string why;
      std::size_t got = 0;
      try {
        if (!bytes) bytes = std::make_unique_for_overwrite<char[]>(kChunk);
        if (!gzip_.Inflate(bytes.get(), kChunk, got, why)) got = 0;
      } catch (const std::bad_alloc&) {
        why = "out of memory";
      }
      std::lock_guard lock(mutex_);
      if (got > 0) ready_.push_back({std::move(bytes), got, 0});
      if (got == 0 || !why.empty()) {
        why_ = why;
        done_ = true;
      }
      changed_.notify_all();
      if (done_) return;
    }
  }

  GzipText& gzip_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Chunk> ready_;
  std::vector<std::unique_ptr<char[]>> spare_;
  bool stop_ = false, done_ = false;
  std::string why_;  // the reason, once decompressing failed
  std::thread thread_;  // last: it starts once the rest is made
};

void Fail(const std::string& path, long line, const std::string& reason) {
  throw PostError(path + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + reason);
}

std::size_t PartsOf(std::size_t bytes, std::size_t block, bool first, std::unique_ptr<WorkerPool>& workers) {
  constexpr std::size_t kMostParts = 16;
  const std::size_t leastPart = std::max<std::size_t>(block / kMostParts, 1);
  if (first || bytes < 2 * leastPart) return 1;
  if (!workers) workers = std::make_unique<WorkerPool>(WorkerPool::Cores() - 1);
  return workers->size() > 0 ? std::min(kMostParts, bytes / leastPart) : 1;
}

LineSource::LineSource(std::string path) : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) modelfile::Fail(path_, 0, std::string("cannot open: ") + std::strerror(errno));
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode)) {
    const int why = S_ISDIR(info.st_mode) ? EISDIR : errno;
    ::close(fd_);
    fd_ = -1;
    modelfile::Fail(path_, 0, std::string("cannot open: ") + std::strerror(why));
  }
  unsigned char magic[2] = {0, 0};
  const ssize_t got = ::pread(fd_, magic, 2, 0);
  if (got == 2 && magic[0] == 0x1f && magic[1] == 0x8b) {
    gzip_ = std::make_unique<GzipText>(fd_);
    // gzip's last four bytes: the length of what it holds, modulo 2^32; no
    // more than deflate can hold in the file's length (1032 to 1), whatever
    // a damaged file says.
    unsigned char tail[4] = {0, 0, 0, 0};
    if (info.st_size >= 18 && ::pread(fd_, tail, 4, info.st_size - 4) == 4)
      expected_ = std::min(std::size_t{tail[0]} | std::size_t{tail[1]} << 8 | std::size_t{tail[2]} << 16 |
                               std::size_t{tail[3]} << 24,
                           static_cast<std::size_t>(info.st_size) * 1032);
  } else {
    expected_ = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
  }
  size_ = std::min(kFirstBlock, expected_ + kLeastRoom);
  buffer_ = std::make_unique_for_overwrite<char[]>(size_);
  if (gzip_ && expected_ >= kBlock) {
    try {
      inflater_ = std::make_unique<Inflater>(*gzip_);
    } catch (const std::system_error&) {
      // no thread to be had: decompressed as it is read
    }
  }
}

LineSource::~LineSource() {
  inflater_.reset();  // before the file it reads is closed
  if (fd_ >= 0) ::close(fd_);
}

std::size_t LineSource::Fill() {
  if (atEnd_) return 0;
  // Keep the unread bytes, at the front; grow when a line fills the buffer.
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  const std::size_t toCome = filled_ <= expected_ ? expected_ - filled_ : kBlock;
  if (size_ - end_ < std::min(kBlock / 2, toCome + kLeastRoom)) {
    // A file of a block or more takes a whole block's room at once, faulted
    // in by one call (page by page, each first touch would trap).
    const std::size_t size = std::max(2 * size_, expected_ >= kBlock ? kBlock : std::size_t{0});
    auto grown = std::make_unique_for_overwrite<char[]>(size);
    if (size >= kBlock) PopulateRange(grown.get(), size);
    std::memcpy(grown.get(), buffer_.get(), end_);
    buffer_ = std::move(grown);
    size_ = size;
  }
  const std::size_t room = size_ - end_;
  for (;;) {
    long got = 0;
    std::string failure;
    if (gzip_) {  // decompressed ahead on its own thread, or here
      std::size_t taken = 0;
      std::string why;
      char* const to = buffer_.get() + end_;
      if (!(inflater_ ? inflater_->Take(to, room, taken, why) : gzip_->Inflate(to, room, taken, why)))
        failure = "cannot decompress: " + why;
      got = static_cast<long>(taken);
    } else {
      got = ::read(fd_, buffer_.get() + end_, room);
      if (got < 0) {
        if (errno == EINTR) continue;
        failure = std::string("cannot read: ") + std::strerror(errno);
      }
    }
    if (!failure.empty()) {
      // Told when the reader reaches the line it could not have whole: the
      // whole lines read before it are read first.
      failure_ = failure;
      atEnd_ = true;
      return 0;
    }
    if (got == 0) atEnd_ = true;
    end_ += static_cast<std::size_t>(got);
    filled_ += static_cast<std::size_t>(got);
    return static_cast<std::size_t>(got);
  }
}

std::string_view LineSource::Cut(std::size_t stop, std::size_t next) {
  std::size_t length = stop - begin_;
  if (length > 0 && buffer_[begin_ + length - 1] == '\r') --length;
  const std::string_view line(buffer_.get() + begin_, length);
  begin_ = next;
  ++line_;
  return line;
}

std::string_view LineSource::Ahead() {
  if (end_ - begin_ < kBlock / 4) Fill();
  std::size_t scanned = begin_;
  const void* last = nullptr;
  // No whole line yet (one longer than the buffer holds): read on until it ends.
  while ((last = ::memrchr(buffer_.get() + scanned, '\n', end_ - scanned)) == nullptr) {
    const std::size_t seen = end_ - begin_;
    if (Fill() == 0) return {};
    scanned = begin_ + seen;
  }
  const char* const first = buffer_.get() + begin_;
  return {first, static_cast<std::size_t>(static_cast<const char*>(last) - first) + 1};
}

bool LineSource::Next(std::string_view& line) {
  std::size_t scanned = begin_;
  for (;;) {
    const void* eol = std::memchr(buffer_.get() + scanned, '\n', end_ - scanned);
    if (eol != nullptr) {
      const auto stop = static_cast<std::size_t>(static_cast<const char*>(eol) - buffer_.get());
      line = Cut(stop, stop + 1);
      return true;
    }
    if (atEnd_) {
      if (!failure_.empty()) modelfile::Fail(path_, line_ + 1, failure_);
      if (begin_ == end_) return false;
      line = Cut(end_, end_);  // a last line without '\n'
      return true;
    }
    const std::size_t seen = end_ - begin_;
    Fill();
    scanned = begin_ + seen;
  }
}

void LineSource::Fail(const std::string& reason) const { modelfile::Fail(path_, line_, reason); }

std::string Shown(std::string_view token) {
  constexpr std::size_t kMost = 40;
  std::string text = "\"";
  for (std::size_t i = 0; i < std::min(token.size(), kMost); ++i) {
    const auto ch = static_cast<unsigned char>(token[i]);
    text += ch >= 0x20 && ch < 0x7f ? static_cast<char>(ch) : '?';
  }
  text += token.size() > kMost ? "\"..." : "\"";
  return text;
}

bool SameLetters(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != lower[i]) return false;
  return true;
}

namespace {

// Digits, one optional point, at least one digit, then an optional exponent
// (E, e, D or d, an optional sign, digits); writes it with 'e' to `plain`.
bool Decimal(std::string_view text, std::string& plain) {
  std::size_t i = 0, digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch >= '0' && ch <= '9') ++digits;
    else if (ch == '.' && !point) point = true;
    else break;
  }
  if (digits == 0) return false;
  if (i == text.size()) return true;  // plain is left empty: the text is fine as it is
  const char mark = text[i];
  if (mark != 'e' && mark != 'E' && mark != 'd' && mark != 'D') return false;
  std::size_t j = i + 1;
  if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
  const std::size_t firstDigit = j;
  while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
  if (j == firstDigit || j != text.size()) return false;
  if (mark == 'd' || mark == 'D') {
    plain.assign(text);
    plain[i] = 'e';
  }
  return true;
}

// Clinger's fast path, for the short decimals model files are mostly made
// of: a significand below 2^53 and a power of ten up to 1e22 are both exact
// doubles, so one multiplication or division gives the correctly rounded
// value. False, leaving the text to from_chars, for anything else, any
// text Decimal would refuse included.
bool ShortDecimal(std::string_view text, double& magnitude) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  std::uint64_t significand = 0;
  std::size_t i = 0;
  // Digits, a point, digits: at most 18 digits in all, so that the
  // significand fits (more wrap, and are then refused).
  const auto digitsFrom = [&](std::size_t from) {
    for (; i < text.size() && static_cast<unsigned char>(text[i] - '0') < 10; ++i)
      significand = significand * 10 + static_cast<unsigned>(text[i] - '0');
    return i - from;
  };
  std::size_t digits = digitsFrom(0);
  int scale = 0;
  if (i < text.size() && text[i] == '.') {
    const std::size_t fraction = digitsFrom(++i);
    digits += fraction;
    scale = -static_cast<int>(std::min<std::size_t>(fraction, 64));
  }
  if (digits == 0 || digits > 18) return false;
  if (i < text.size()) {
    if (text[i] != 'e' && text[i] != 'E' && text[i] != 'd' && text[i] != 'D') return false;
    bool negative = false;
    if (++i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int exponent = 0, expDigits = 0;
    for (; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9' || ++expDigits > 3) return false;
      exponent = exponent * 10 + (text[i] - '0');
    }
    if (expDigits == 0) return false;
    scale += negative ? -exponent : exponent;
  }
  if (significand > (std::uint64_t{1} << 53) || scale < -22 || scale > 22) return false;
  const auto exact = static_cast<double>(significand);
  magnitude = scale >= 0 ? exact * kPowers[scale] : exact / kPowers[-scale];
  return true;
}

}  // namespace

bool ParseNumber(std::string_view text, double& value) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  double magnitude = 0;
  if (ShortDecimal(text, magnitude)) {
    value = negative ? -magnitude : magnitude;
    return true;
  }
  if (SameLetters(text, "inf") || SameLetters(text, "infinity")) {
    value = negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    return true;
  }
  std::string plain;
  if (!Decimal(text, plain)) return false;
  const std::string_view digits = plain.empty() ? text : std::string_view(plain);
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (end != digits.data() + digits.size()) return false;
  if (error == std::errc::result_out_of_range) {
    // Too large or too small for a double: strtod says which, as +-HUGE_VAL or a tiny value.
    const std::string copy(digits);
    magnitude = std::strtod(copy.c_str(), nullptr);
  } else if (error != std::errc()) {
    return false;
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

double NumberOrFail(const std::string& path, long line, std::string_view text, const std::string& what) {
  double value = 0;
  if (ParseNumber(text, value)) return value;
  modelfile::Fail(path, line, NotANumber(text, what));
}

std::string NotANumber(std::string_view text, const std::string& what) {
  const bool nan = SameLetters(text, "nan") || SameLetters(text, "+nan") || SameLetters(text, "-nan");
  return Shown(text) + (nan ? " is NaN, not a number, for " : " is not a number, for ") + what;
}

double NumberOrFail(const LineSource& source, std::string_view text, const std::string& what) {
  return NumberOrFail(source.path(), source.line(), text, what);
}

void NameIndex::Grow() { Rehash(std::clamp<std::size_t>(slots_.size() * 2, 64, kMostSlots)); }

void NameIndex::Rehash(std::size_t size) {
  BulkVector<Slot> old(size);
  old.swap(slots_);
  shift_ = 31 - std::countr_zero(size);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old)
    if (!slot.empty()) {
      std::size_t s = Home(slot.tag >> 1);
      while (!slots_[s].empty()) s = (s + 1) & mask;
      slots_[s] = slot;
    }
}

int NameIndex::Add(int index) {
  if (!Roomy(used_ + 1, slots_.size())) Grow();
  return Insert(index, Hash(names_[static_cast<std::size_t>(index)]));
}

namespace {

struct HashedName {
  std::size_t hash;
  int index;
};

// names[from] and every name after it with its hash, in order of the hash's
// top bits, each part of one value of them in the names' order (so a name
// comes after any earlier one equal to it); part p is [begin[p], begin[p + 1]).
std::vector<HashedName> InHashParts(const std::vector<std::string>& names, std::size_t from,
                                    std::vector<std::size_t>& begin) {
  constexpr int kPartBits = 12;
  const auto part = [](std::size_t hash) { return hash >> (64 - kPartBits); };
  std::vector<HashedName> hashed(names.size() - from);
  begin.assign((std::size_t{1} << kPartBits) + 1, 0);
  for (std::size_t k = 0; k < hashed.size(); ++k) {
    hashed[k] = {NameIndex::Hash(names[from + k]), static_cast<int>(from + k)};
    ++begin[part(hashed[k].hash) + 1];
  }
  for (std::size_t p = 1; p < begin.size(); ++p) begin[p] += begin[p - 1];
  std::vector<std::size_t> at(begin.begin(), begin.end() - 1);
  std::vector<HashedName> sorted(hashed.size());
  for (const HashedName& h : hashed) sorted[at[part(h.hash)]++] = h;
  return sorted;
}

}  // namespace

int NameIndex::AddAll(int first) {
  const std::size_t from = static_cast<std::size_t>(first), count = names_.size() - from;
  if (count == 0) return -1;
  std::size_t size = std::max<std::size_t>(64, slots_.size());
  while (!Roomy(used_ + count, size)) size *= 2;
  if (size > slots_.size()) Rehash(size);
  // The names are read in order and their slots fetched kAhead names before
  // they are filled: a slot mostly waits for memory, and so they wait at once.
  constexpr std::size_t kAhead = 16;
  std::array<Slot, kAhead> ahead;
  int repeated = -1;
  const auto insert = [&](const Slot& key) {
    if (InsertKey(key) >= 0 && (repeated < 0 || key.index() < repeated)) repeated = key.index();
  };
  for (std::size_t k = 0; k < count; ++k) {
    const std::string& name = names_[from + k];
    const std::size_t hash = Hash(name);
    if (k >= kAhead) insert(ahead[k % kAhead]);
    ahead[k % kAhead] = Key(name, static_cast<int>(from + k), hash);
    __builtin_prefetch(&slots_[Home(Top(hash))], 1);
  }
  for (std::size_t k = count > kAhead ? count - kAhead : 0; k < count; ++k) insert(ahead[k % kAhead]);
  return repeated;
}

int NameIndex::Insert(int index, std::size_t hash) {
  return InsertKey(Key(names_[static_cast<std::size_t>(index)], index, hash));
}

int NameIndex::InsertKey(const Slot& key) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t s = Home(key.tag >> 1);
  for (; !slots_[s].empty(); s = (s + 1) & mask)
    if (Same(slots_[s], key, names_[static_cast<std::size_t>(key.index())])) return slots_[s].index();
  slots_[s] = key;
  ++used_;
  return -1;
}

int FirstRepeatedName(const std::vector<std::string>& names) {
  if (names.size() < 2) return -1;
  std::vector<std::size_t> begin;
  const std::vector<HashedName> parts = InHashParts(names, 0, begin);
  // Each part in the names' order: a name equal to one already in the
  // part's table repeats an earlier one.
  int first = -1;
  std::vector<int> table;
  for (std::size_t p = 0; p + 1 < begin.size(); ++p) {
    std::size_t size = 16;
    while (size < 2 * (begin[p + 1] - begin[p])) size *= 2;
    table.assign(size, -1);
    for (std::size_t q = begin[p]; q < begin[p + 1]; ++q) {
      const HashedName& h = parts[q];
      std::size_t s = static_cast<std::size_t>(h.hash) & (size - 1);
      for (; table[s] >= 0; s = (s + 1) & (size - 1)) {
        const HashedName& other = parts[static_cast<std::size_t>(table[s])];
        if (other.hash == h.hash && names[static_cast<std::size_t>(other.index)] == names[static_cast<std::size_t>(h.index)])
          break;
      }
      if (table[s] < 0) table[s] = static_cast<int>(q);
      else if (first < 0 || h.index < first) first = h.index;
    }
  }
  return first;
}

std::string FileStem(const std::string& path) {
  std::string stem = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
  for (std::string_view tail : {".gz", ".mps", ".freemps", ".lp"}) {
    if (stem.size() > tail.size() && stem.compare(stem.size() - tail.size(), tail.size(), tail) == 0)
      stem.resize(stem.size() - tail.size());
  }
  return stem;
}

long MergeDuplicates(std::vector<int>& start, std::vector<int>& index, std::vector<double>& value, std::size_t rows) {
  std::vector<int> where(rows, -1);  // row -> its entry in this column
  long summed = 0;
  std::size_t out = 0, end = 0;
  const std::size_t columns = start.empty() ? 0 : start.size() - 1;
  for (std::size_t j = 0; j < columns; ++j) {
    const std::size_t first = out, begin = end;  // start[j] is already the compacted one
    end = static_cast<std::size_t>(start[j + 1]);
    for (std::size_t k = begin; k < end; ++k) {
      const int row = index[k];
      int& seen = where[static_cast<std::size_t>(row)];
      if (seen >= 0) {
        value[static_cast<std::size_t>(seen)] += value[k];
        ++summed;
      } else {
        seen = static_cast<int>(out);
        index[out] = row;
        value[out] = value[k];
        ++out;
      }
    }
    // Drop the zeros (given, or summed to), keeping the order.
    std::size_t kept = first;
    for (std::size_t k = first; k < out; ++k) {
      where[static_cast<std::size_t>(index[k])] = -1;
      if (value[k] != 0) {
        index[kept] = index[k];
        value[kept] = value[k];
        ++kept;
      }
    }
    out = kept;
    start[j + 1] = static_cast<int>(out);
  }
  index.resize(out);
  value.resize(out);
  return summed;
}

long MergeDuplicates(Model& model) {
  return MergeDuplicates(model.start, model.index, model.value, static_cast<std::size_t>(model.rows()));
}

}  // namespace postsolve::modelfile
