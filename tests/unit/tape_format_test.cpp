// The tape's byte format: what is written reads back as written, and a damaged or hostile tape is
// refused with its place, never read past its end or into a huge allocation.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/tape.h"

namespace nad::tape {
namespace {

const Header kHeader{7, 0x0123456789ABCDEFull};

files::ReadResult readOf(std::string bytes, Status status = {}, bool missing = false, bool tooLarge = false) {
  files::ReadResult r;
  r.bytes = std::move(bytes), r.status = std::move(status), r.missing = missing, r.tooLarge = tooLarge;
  return r;
}

// One record of every kind, with the edges of its fields: times that step back and far, long
// texts, failures with their reasons.
struct Case {
  const char *what;
  std::function<void(Writer &)> write;
  std::function<void(const Record &)> check;
};

std::vector<Case> cases() {
  Event key{EventKind::KeyDown, 38, true};
  key.shift = true;
  Event click{EventKind::MouseDown, 0, false, -5, 100000};
  Event text{EventKind::Text};
  text.text = "Ježíšek \"#1\"";
  return {
      {"tick within a short step", [](Writer &w) { w.tick(63); }, [](const Record &r) { EXPECT_EQ(r.time, 63); }},
      {"tick far ahead", [](Writer &w) { w.tick(int64_t(1) << 35); },
       [](const Record &r) { EXPECT_EQ(r.time, int64_t(1) << 35); }},
      {"frame wait", [](Writer &w) { w.wait(21); }, [](const Record &r) { EXPECT_EQ(r.kind, Kind::Wait); }},
      {"poll with nothing", [](Writer &w) { w.poll(nullptr, 0); }, [](const Record &r) { EXPECT_FALSE(r.hasEvent); }},
      {"poll with nothing, later", [](Writer &w) { w.poll(nullptr, 500); },
       [](const Record &r) {
         EXPECT_FALSE(r.hasEvent);
         EXPECT_EQ(r.time, 500);
       }},
      {"key press", [key](Writer &w) { w.poll(&key, 3); },
       [](const Record &r) {
         ASSERT_TRUE(r.hasEvent);
         EXPECT_EQ(r.event.kind, EventKind::KeyDown);
         EXPECT_EQ(r.event.code, 38);
         EXPECT_TRUE(r.event.repeat);
         EXPECT_TRUE(r.event.shift);
         EXPECT_EQ(r.time, 3);
       }},
      {"click", [click](Writer &w) { w.poll(&click, 0); },
       [](const Record &r) {
         EXPECT_EQ(r.event.x, -5);
         EXPECT_EQ(r.event.y, 100000);
       }},
      {"typed text", [text](Writer &w) { w.poll(&text, 0); },
       [](const Record &r) { EXPECT_EQ(r.event.text, "Ježíšek \"#1\""); }},
      {"idle wait", [](Writer &w) { w.waitEvent(false, 9000); },
       [](const Record &r) {
         EXPECT_FALSE(r.flag);
         EXPECT_EQ(r.time, 9000);
       }},
      {"seed", [](Writer &w) { w.seed(UINT64_MAX); },
       [](const Record &r) { EXPECT_EQ(uint64_t(r.number), UINT64_MAX); }},
      {"box closed", [](Writer &w) { w.dialogClose(40); }, [](const Record &r) { EXPECT_EQ(r.time, 40); }},
      {"text drawn", [](Writer &w) { w.textRender(Font::LabelBig, "Bodů : 120", 97, 21); },
       [](const Record &r) {
         EXPECT_EQ(r.font, Font::LabelBig);
         EXPECT_EQ(r.text, "Bodů : 120");
         EXPECT_EQ(r.width, 97);
         EXPECT_EQ(r.height, 21);
       }},
      {"text measured", [](Writer &w) { w.textMeasure(Font::Default, std::string(5000, 'x'), 30000); },
       [](const Record &r) { EXPECT_EQ(r.width, 30000); }},
      {"line height", [](Writer &w) { w.lineHeight(Font::TableSerif, 13); },
       [](const Record &r) { EXPECT_EQ(r.height, 13); }},
      {"table read", [](Writer &w) { w.tableRead(readOf("\"a\",\"1\"\r\n")); },
       [](const Record &r) {
         EXPECT_EQ(r.read.bytes, "\"a\",\"1\"\r\n");
         EXPECT_TRUE(r.read.status.ok());
       }},
      {"table missing", [](Writer &w) { w.tableRead(readOf("", Status::Failed("cannot open x"), true)); },
       [](const Record &r) {
         EXPECT_TRUE(r.read.missing);
         EXPECT_EQ(r.read.status.reason(), "cannot open x");
       }},
      {"table write failed", [](Writer &w) { w.tableWrite(Status::Failed("disk full")); },
       [](const Record &r) { EXPECT_EQ(r.status.reason(), "disk full"); }},
      {"lock taken", [](Writer &w) { w.tableLock({}); }, [](const Record &r) { EXPECT_TRUE(r.status.ok()); }},
      {"game end", [](Writer &w) { w.gameEnd(-600); }, [](const Record &r) { EXPECT_EQ(r.number, -600); }},
  };
}

TEST(TapeFormat, EveryRecordReadsBackAsWritten) {
  for (const Case &c : cases()) {
    SCOPED_TRACE(c.what);
    Writer w(kHeader);
    w.tick(10); // a time to step from
    c.write(w);
    Result<Reader> r = Reader::open(w.bytes());
    ASSERT_TRUE(r.ok()) << r.reason();
    EXPECT_EQ(r->header(), kHeader);
    ASSERT_TRUE(r->next().ok());
    Result<std::optional<Record>> rec = r->next();
    ASSERT_TRUE(rec.ok()) << rec.reason();
    ASSERT_TRUE(rec.value().has_value());
    c.check(*rec.value());
    EXPECT_EQ(r->offset(), w.bytes().size());
    Result<std::optional<Record>> end = r->next();
    ASSERT_TRUE(end.ok());
    EXPECT_FALSE(end.value().has_value());
  }
}

TEST(TapeFormat, ClockReadingsAndEmptyPollsTakeOneByteEach) {
  Writer w(kHeader);
  const size_t header = w.bytes().size();
  w.wait(21), w.tick(21), w.poll(nullptr, 21), w.tick(22);
  EXPECT_EQ(w.bytes().size() - header, 4u);
}

// Reads the whole tape; the failure's reason, or "" when it reads to its end.
std::string readAll(std::string_view bytes) {
  Result<Reader> r = Reader::open(bytes);
  if (!r.ok()) return r.reason();
  for (;;) {
    Result<std::optional<Record>> rec = r->next();
    if (!rec.ok()) return rec.reason();
    if (!rec.value()) return "";
  }
}

TEST(TapeFormat, EveryCutOfATapeIsReadToAFailureOrACleanEnd) {
  Writer w(kHeader);
  for (const Case &c : cases()) c.write(w);
  const std::string &whole = w.bytes();
  ASSERT_EQ(readAll(whole), "");
  int failed = 0;
  for (size_t n = 0; n < whole.size(); ++n) {
    const std::string cut = whole.substr(0, n);
    if (!readAll(cut).empty()) ++failed;
  }
  EXPECT_GT(failed, int(whole.size()) / 2) << "most cuts fall inside a record";
}

TEST(TapeFormat, HostileFieldsAreRefusedWithTheirPlace) {
  const std::string head = Writer(kHeader).bytes();
  auto varint = [](uint64_t v) {
    std::string s;
    while (v >= 0x80) s += char(uint8_t(v) | 0x80), v >>= 7;
    return s + char(uint8_t(v));
  };
  struct Hostile {
    const char *what;
    std::string records;
    const char *says;
  } hostile[] = {
      {"a text longer than any", std::string("\x89\x00", 2) + varint(kMaxTextBytes + 1), "more than"},
      {"a text longer than the tape", std::string("\x89\x00", 2) + varint(100) + "abc", "ends inside a text"},
      {"a table file past its bound", std::string("\x8B\x00", 2) + varint(kMaxTableBytes + 1), "more than"},
      {"a clock far in the future", "\x80" + varint(uint64_t(1) << 50), "clock leaves its range"},
      {"a clock before the start", "\x80" + varint(1), "clock leaves its range"},
      {"an endless number", "\x80" + std::string(12, '\xFF'), "too"},
      {"an unknown record", "\x8F", "unknown record"},
      {"an unknown event", "\x9F", "unknown record"},
      {"an unknown font", "\x8A\x07\x01", "unknown font"},
      {"a key code past any key", "\x90" + varint(1 << 20), "key code"},
      {"typed bytes that are not UTF-8", "\x94" + varint(2) + "\xC3\x28" + varint(0), "not UTF-8"},
      {"a click far outside", "\x92" + varint(uint64_t(1) << 30) + varint(0) + varint(0), "outside"},
  };
  for (const Hostile &h : hostile) {
    SCOPED_TRACE(h.what);
    const std::string reason = readAll(head + h.records);
    EXPECT_NE(reason.find("damaged at byte"), std::string::npos) << reason;
    EXPECT_NE(reason.find(h.says), std::string::npos) << reason;
  }
  EXPECT_EQ(readAll("NdTp"), "not a tape");
  EXPECT_EQ(readAll("PK\x03\x04 something else"), "not a tape");
  EXPECT_NE(readAll("NdTp\x02").find("format 2"), std::string::npos);
}

TEST(TapeFormat, AHeaderOfOtherRulesOrPicturesIsNotTheSameMaking) {
  EXPECT_TRUE(sameMaking(kHeader, kHeader).ok());
  EXPECT_NE(sameMaking({8, kHeader.pictures}, kHeader).reason().find("version 8"), std::string::npos);
  EXPECT_NE(sameMaking({7, 1}, kHeader).reason().find("other pictures"), std::string::npos);
}

} // namespace
} // namespace nad::tape
