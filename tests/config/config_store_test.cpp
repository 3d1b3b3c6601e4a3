#include "config/config_store.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/temp_folder.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#endif

#include "common/file_io.h"

namespace movrel {
namespace {

std::string FileBytes(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(ReadWholeFile(path, &bytes)) << path;
  return bytes;
}

class ConfigStoreTest : public ::testing::Test {
 protected:
  // Opens the store on a file holding `content` (no file for nullptr).
  void OpenWith(const char* content, size_t length) {
    store_.Close();  // Windows keeps other writers out while it is open
    if (content) {
      ASSERT_TRUE(WriteWholeFile(path_, std::string(content, length)));
    }
    ASSERT_TRUE(store_.Open(FilePath::FromGbk(path_)));
    store_.SetSection("S");
  }
  void OpenWith(const std::string& content) { OpenWith(content.data(), content.size()); }
  // The buffer and the file hold the same bytes after every write.
  std::string Bytes() {
    std::string file = FileBytes(path_);
    EXPECT_EQ(file, store_.Content());
    return file;
  }

  test::TempFolder dir_;
  std::string path_ = dir_ / "Movrel.ini";
  ConfigStore store_;
};

TEST_F(ConfigStoreTest, BuildsSectionsAndKeysInPlace) {
  OpenWith(nullptr, 0);
  EXPECT_TRUE(store_.IsFileOpen());
  EXPECT_EQ(Bytes(), "");

  EXPECT_TRUE(store_.WriteNumber("a", 1));
  EXPECT_EQ(Bytes(), "[S]\r\na=1");
  EXPECT_TRUE(store_.WriteNumber("b", 2));
  EXPECT_EQ(Bytes(), "[S]\r\nb=2\r\na=1");
  EXPECT_EQ(Bytes().size(), 13u);
  EXPECT_TRUE(store_.WriteNumber("a", 10));
  EXPECT_EQ(Bytes(), "[S]\r\nb=2\r\na=10");

  store_.SetSection("T");
  EXPECT_TRUE(store_.WriteText("c", "x"));
  EXPECT_EQ(Bytes(), "[S]\r\nb=2\r\na=10\r\n[T]\r\nc=x");
  EXPECT_EQ(store_.ReadText("a", "none"), "none");

  store_.SetSection("S");
  EXPECT_EQ(store_.ReadText("c", "none"), "none");
  EXPECT_EQ(store_.ReadNumber("a", -1), 10);
  EXPECT_TRUE(store_.WriteNumber("d", 4));
  EXPECT_EQ(Bytes(), "[S]\r\nd=4\r\nb=2\r\na=10\r\n[T]\r\nc=x");

  // A fresh store on the file reads what was written.
  store_.Close();
  ConfigStore again;
  ASSERT_TRUE(again.Open(FilePath::FromGbk(path_)));
  again.SetSection("T");
  EXPECT_EQ(again.ReadText("c", ""), "x");
}

TEST_F(ConfigStoreTest, ChangedValueReplacesOnlyItsBytes) {
  const std::string before = "; kept\r\n[S]\r\nkey=old value\r\nnext=2\r\n\r\ntrailing\xB0";
  OpenWith(before);
  EXPECT_TRUE(store_.WriteText("key", "v"));
  EXPECT_EQ(Bytes(), "; kept\r\n[S]\r\nkey=v\r\nnext=2\r\n\r\ntrailing\xB0");
  EXPECT_TRUE(store_.WriteText("next", "a much longer value than before"));
  EXPECT_EQ(Bytes(), "; kept\r\n[S]\r\nkey=v\r\nnext=a much longer value than before\r\n\r\ntrailing\xB0");
  // An empty value is a value: it is read as empty text, not the default.
  EXPECT_TRUE(store_.WriteText("key", ""));
  EXPECT_EQ(store_.ReadText("key", "default"), "");
}

TEST_F(ConfigStoreTest, HeaderMustBeginALine) {
  OpenWith("x[S]\r\na=1");
  EXPECT_EQ(store_.ReadText("a", "default"), "default");
  EXPECT_TRUE(store_.WriteText("a", "5"));
  EXPECT_EQ(Bytes(), "x[S]\r\na=1\r\n[S]\r\na=5");
  EXPECT_EQ(store_.ReadText("a", "default"), "5");
}

TEST_F(ConfigStoreTest, KeyBehindALaterHeaderBelongsToThatSection) {
  OpenWith("[S]\r\nx=1\r\n[T]\r\na=2");
  EXPECT_EQ(store_.ReadText("a", "default"), "default");
  EXPECT_TRUE(store_.WriteText("a", "5"));
  EXPECT_EQ(Bytes(), "[S]\r\na=5\r\nx=1\r\n[T]\r\na=2");
  store_.SetSection("T");
  EXPECT_EQ(store_.ReadText("a", ""), "2");
}

TEST_F(ConfigStoreTest, SearchesStepOverDoubleByteCharacters) {
  // "[閉" ends in the byte of "]": it is no header line, so a stays in S.
  OpenWith("[S]\r\n[\xE9\x5D\r\na=1");
  EXPECT_EQ(store_.ReadText("a", ""), "1");

  store_.SetSection("運閉");
  EXPECT_TRUE(store_.WriteText("k", "v"));
  EXPECT_EQ(Bytes(), "[S]\r\n[\xE9\x5D\r\na=1\r\n[\xDF\x5C\xE9\x5D]\r\nk=v");
  EXPECT_EQ(store_.ReadText("k", ""), "v");
}

TEST_F(ConfigStoreTest, LineBreaksInTextRoundTrip) {
  OpenWith(nullptr, 0);
  EXPECT_TRUE(store_.WriteText("t", "line1\r\nline2\r\n"));
  EXPECT_EQ(Bytes(), "[S]\r\nt=line1\xA9\xAE*\xA9\xAEline2\xA9\xAE*\xA9\xAE");
  EXPECT_EQ(store_.ReadText("t", ""), "line1\r\nline2\r\n");
  // The default goes through the same escaping.
  EXPECT_EQ(store_.ReadText("missing", "a\r\nb"), "a\r\nb");
  EXPECT_EQ(UnescapeConfigText(EscapeConfigText("┊x\r\n")), "┊x\r\n");
}

TEST_F(ConfigStoreTest, BooleansAndNumbersAsStored) {
  OpenWith("[S]\r\nyes=真\r\nno=假\r\none=1\r\nempty=\r\nnum=8.9\r\nneg=-3\r\nword=abc\r\nunit=12px");
  struct BoolCase {
    const char* key;
    bool defaultValue;
    bool expected;
  };
  for (const BoolCase& c : {BoolCase{"yes", false, true}, BoolCase{"no", true, false}, BoolCase{"one", true, false},
                            BoolCase{"empty", true, false}, BoolCase{"missing", true, true},
                            BoolCase{"missing", false, false}}) {
    EXPECT_EQ(store_.ReadBool(c.key, c.defaultValue), c.expected) << c.key;
  }
  struct NumberCase {
    const char* key;
    double expected;
  };
  for (const NumberCase& c : {NumberCase{"empty", 0}, NumberCase{"num", 8.9}, NumberCase{"neg", -3},
                              NumberCase{"word", 0}, NumberCase{"unit", 12}, NumberCase{"missing", 7.25}}) {
    EXPECT_EQ(store_.ReadNumber(c.key, 7.25), c.expected) << c.key;
  }
  EXPECT_TRUE(store_.WriteBool("one", true));
  EXPECT_TRUE(store_.ReadBool("one", false));
  EXPECT_EQ(store_.ReadText("one", ""), "真");
}

TEST(ConfigNumberText, WholeNumbersWithoutPointFractionsExact) {
  EXPECT_EQ(FormatConfigNumber(100), "100");
  EXPECT_EQ(FormatConfigNumber(16777215), "16777215");
  EXPECT_EQ(FormatConfigNumber(-5), "-5");
  EXPECT_EQ(FormatConfigNumber(-0.0), "0");
  EXPECT_EQ(FormatConfigNumber(1.5), "1.5");
  EXPECT_EQ(FormatConfigNumber(1e20), "100000000000000000000");
  EXPECT_EQ(FormatConfigNumber(std::nan("")), "0");
  for (double value : {0.1, 1.0 / 3.0, 123456.789e-10, -2.5e-7}) {
    std::string text = FormatConfigNumber(value);
    EXPECT_EQ(text.find('e'), std::string::npos) << text;
    EXPECT_EQ(std::stod(text), value) << text;
  }
}

TEST_F(ConfigStoreTest, WriteDuringWriteIsQueuedAndFollows) {
  OpenWith(nullptr, 0);
  int pumps = 0;
  bool innerResult = true;
  bool busyInside = false;
  store_.SetMessagePump([&] {
    if (++pumps != 1) return;
    busyInside = store_.IsBusy();
    // A handler asks for two writes in the middle of the first one.
    innerResult = store_.WriteText("b", "2");
    store_.WriteText("a", "3");
    EXPECT_EQ(store_.Content(), "");  // nothing carried out yet
  });
  EXPECT_TRUE(store_.WriteText("a", "1"));
  EXPECT_TRUE(busyInside);
  EXPECT_FALSE(innerResult);
  EXPECT_FALSE(store_.IsBusy());
  // a=1 first, then b behind the header, then a overwritten by the later
  // request.
  EXPECT_EQ(Bytes(), "[S]\r\nb=2\r\na=3");
  EXPECT_EQ(store_.ProcessQueue(), kWriteFailed);  // empty queue
}

TEST_F(ConfigStoreTest, RunawayWriteShowsBothAlertsAndFails) {
  OpenWith(nullptr, 0);
  // A handler that closes the store in every pass keeps the header from
  // ever being found again.
  store_.SetMessagePump([&] { store_.Close(); });
  struct Alert {
    std::string text;
    unsigned flags;
    std::string caption;
  };
  std::vector<Alert> alerts;
  store_.SetMessageBox([&](const std::string& text, unsigned flags, const std::string& caption) {
    alerts.push_back({text, flags, caption});
    return 0;
  });
  EXPECT_FALSE(store_.WriteText("a", "1"));
  ASSERT_EQ(alerts.size(), 2u);
  EXPECT_EQ(alerts[0].text, "配置模块出现意外，可能导致无法正常保存！详情请咨询Kelv。");
  EXPECT_EQ(alerts[0].flags, 0x30u | 0x1000u);
  EXPECT_EQ(alerts[0].caption, "Kelv：");
  EXPECT_EQ(alerts[1].text, "[S]");
  EXPECT_FALSE(store_.IsBusy());
}

TEST_F(ConfigStoreTest, FindSectionHeaderCases) {
  struct Case {
    const char* content;
    int64_t from, to, expected;
  };
  const Case cases[] = {
      {"[S]\r\n[T]\r\na=1", 3, 9, 5},
      {"[S]\r\n[T]\r\na=1", 3, 7, 5},      // "]" exactly at `to`
      {"[S]\r\n[T]\r\na=1", 3, 6, -1},     // "]" behind `to`
      {"[S]\r\n[T]\r\na=1", 4, 9, -1},     // "\r\n[" starts before `from`
      {"[S]\r\n[T\r\na=1", 3, 9, -1},      // no "]"
      {"[S]\r\n[a\r\nb]\r\nc", 3, 12, -1}, // "]" on a later line
      {"[S]\r\nx\r\n[a\r\n[b]\r\n", 3, 20, 12},
      {"[S]\r\n[\xE9\x5D\r\nc", 3, 12, -1},  // "]" is a trail byte
      {"[S]\r\n[T]", 3, 9, -1},            // no line end behind "]"
      {"", 0, 5, -1},
  };
  for (const Case& c : cases) {
    OpenWith(c.content);
    EXPECT_EQ(store_.FindSectionHeader(c.from, c.to), c.expected) << c.content << " " << c.from << ".." << c.to;
  }
}

// Settings files the program did not write, with no backup beside them: it
// reads what it can, and a write keeps every byte outside its range.
TEST_F(ConfigStoreTest, DamagedFilesKeepTheirBytes) {
  std::mt19937 random(5);
  std::string junk;
  for (int i = 0; i < 65536; ++i) junk += static_cast<char>(random() & 0xFF);
  junk += "\r\n[S\r\n";
  struct Case {
    const char* name;
    std::string content;
    const char* readA;  // value of a before the write, "default" when missing
    std::string after;  // file after writing a=5
  };
  const Case cases[] = {
      {"binary junk", junk, "default", junk + "\r\n[S]\r\na=5"},
      {"lone \\n line ends", "[S]\na=1\nb=2", "default", "[S]\r\na=5\r\n\na=1\nb=2"},
      {"text behind header", "[S]junk\r\nb=2", "default", "[S]\r\na=5\r\njunk\r\nb=2"},
      {"UTF-8 BOM", "\xEF\xBB\xBF[S]\r\na=1", "default", "\xEF\xBB\xBF[S]\r\na=1\r\n[S]\r\na=5"},
      {"duplicates", "[S]\r\na=1\r\na=2\r\n[S]\r\na=3", "1", "[S]\r\na=5\r\na=2\r\n[S]\r\na=3"},
      {"header without line end", "[S]", "default", "[S]\r\na=5"},
      {"ends in lone \\r", "x=1\r", "default", "x=1\r\r\n[S]\r\na=5"},
      {"value ends in lead byte", "[S]\r\na=\xB0\r\nb=2", "\xB0", "[S]\r\na=5\r\nb=2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store_.Close();
    RemoveFile(path_ + ".bak");
    OpenWith(c.content);
    EXPECT_EQ(store_.ReadText("a", "default"), c.readA);
    EXPECT_TRUE(store_.WriteText("a", "5"));
    EXPECT_EQ(Bytes(), c.after);
    EXPECT_EQ(store_.ReadText("a", "default"), "5");
    EXPECT_TRUE(store_.WriteText("a", "66"));  // the second write finds the line again
    EXPECT_EQ(store_.ReadText("a", "default"), "66");
    store_.Close();
  }
}

TEST_F(ConfigStoreTest, OversizedFileIsNeitherLoadedNorWritten) {
  std::string big(kMaxConfigFileBytes + 1, 'x');
  big.replace(0, 9, "[S]\r\na=1\r\n");
  ASSERT_TRUE(WriteWholeFile(path_, big));
  EXPECT_FALSE(store_.Open(FilePath::FromGbk(path_)));
  store_.SetSection("S");
  EXPECT_EQ(store_.ReadText("a", "default"), "default");
  EXPECT_FALSE(store_.WriteText("a", "5"));
  EXPECT_NE(store_.WriteError().find("4 MiB"), std::string::npos) << store_.WriteError();
  EXPECT_EQ(store_.Content(), "[S]\r\na=5");
  EXPECT_EQ(FileBytes(path_), big);

  // Just under the limit the file is an ordinary settings file.
  big.resize(kMaxConfigFileBytes - 16);
  ASSERT_TRUE(WriteWholeFile(path_, big));
  ASSERT_TRUE(store_.Open(FilePath::FromGbk(path_)));
  EXPECT_EQ(store_.ReadText("a", ""), "1");
  store_.ClearWriteError();
  EXPECT_TRUE(store_.WriteText("a", "5"));
  EXPECT_EQ(store_.WriteError(), "");
  EXPECT_EQ(FileBytes(path_), "[S]\r\na=5" + big.substr(8));
  // A write that would take the file over the limit is refused.
  EXPECT_FALSE(store_.WriteText("a", std::string(64, 'y')));
  EXPECT_NE(store_.WriteError().find("4 MiB"), std::string::npos) << store_.WriteError();
  EXPECT_EQ(store_.ReadText("a", ""), "5");
}

// The buffer still answers reads, but no write claims to have been saved:
// each one fails with the reason the file could not be opened.
TEST_F(ConfigStoreTest, UnopenableFileLeavesBufferOnlyStore) {
  // A folder that does not exist.
  EXPECT_FALSE(store_.Open(FilePath::FromGbk(dir_ / "missing/Movrel.ini")));
  store_.SetSection("S");
  EXPECT_EQ(store_.ReadText("a", "default"), "default");
  EXPECT_FALSE(store_.WriteText("a", "1"));
  EXPECT_FALSE(store_.WriteError().empty());
  EXPECT_EQ(store_.ReadText("a", ""), "1");
  EXPECT_FALSE(FileExists(dir_ / "missing/Movrel.ini"));

  // A file that may be read but not written (read-only, or locked by
  // another program): reads come from it, writes leave it alone.
  struct ReadOnlyDisk : ConfigDisk {
    std::unique_ptr<ConfigFile> Open(const FilePath& path, bool writable) override {
      return writable ? nullptr : ConfigDisk::Open(path, false);
    }
  } readOnly;
  ASSERT_TRUE(WriteWholeFile(path_, "[S]\r\na=7"));
  store_.SetDisk(readOnly);
  store_.ClearWriteError();
  EXPECT_FALSE(store_.Open(FilePath::FromGbk(path_)));
  EXPECT_EQ(store_.ReadText("a", ""), "7");
  EXPECT_FALSE(store_.WriteText("a", "8"));
  EXPECT_FALSE(store_.WriteError().empty());
  EXPECT_EQ(store_.ReadText("a", ""), "8");
  EXPECT_EQ(FileBytes(path_), "[S]\r\na=7");
  // Loaded again with the file writable, writes reach it and succeed.
  store_.SetDisk(SystemConfigDisk());
  store_.ClearWriteError();
  ASSERT_TRUE(store_.Open(FilePath::FromGbk(path_)));
  EXPECT_TRUE(store_.WriteText("a", "9"));
  EXPECT_EQ(store_.WriteError(), "");
  EXPECT_EQ(FileBytes(path_), "[S]\r\na=9");
}

#ifndef _WIN32
// A disk that fills up in the middle of a save (here a file size limit):
// the settings file stays whole as it was, and the save says it failed.
TEST_F(ConfigStoreTest, AWriteThatFailsHalfWayLeavesTheFileAsItWas) {
  const std::string before = "[S]\r\na=1\r\nb=2";
  OpenWith(before);
  EXPECT_EXIT(
      {
        // Past the limit a write fails instead of ending the process.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = before.size() + 8;
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool saved = store_.WriteText("a", std::string(64, 'x'));
        std::exit(!saved && !store_.WriteError().empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(FileBytes(path_), before);
  EXPECT_FALSE(FileExists(path_ + ".tmp"));
}
#endif

// A save that cannot replace the file (the move refused): the file is as it
// was, the store still holds it, and the next save writes it.
TEST_F(ConfigStoreTest, AFailedSaveKeepsTheFileAndTheNextOneWrites) {
  struct RefusingDisk : ConfigDisk {
    bool MoveOver(const FilePath& from, const FilePath& to) override {
      if (refuse) {
        SetConfigFileError("拒绝访问。");
        return false;
      }
      return ConfigDisk::MoveOver(from, to);
    }
    bool refuse = true;
  } disk;
  ASSERT_TRUE(WriteWholeFile(path_, "[S]\r\na=1"));
  store_.SetDisk(disk);
  OpenWith(nullptr, 0);
  EXPECT_FALSE(store_.WriteText("a", "22"));
  EXPECT_NE(store_.WriteError().find("拒绝访问。"), std::string::npos) << store_.WriteError();
  EXPECT_TRUE(store_.IsFileOpen());
  EXPECT_EQ(FileBytes(path_), "[S]\r\na=1");
  EXPECT_FALSE(FileExists(path_ + ".tmp"));
  disk.refuse = false;
  EXPECT_TRUE(store_.WriteText("b", "3"));
  EXPECT_EQ(Bytes(), "[S]\r\nb=3\r\na=22");
  EXPECT_EQ(FileBytes(path_ + ".bak"), "[S]\r\na=1");
}

// A settings file that cannot be the text any program wrote is set aside for
// the backup beside it, with a message; a file edited by hand is not.
TEST_F(ConfigStoreTest, ATornOrUnreadableFileLoadsTheBackup) {
  const std::string backup = "[S]\r\na=7";
  const std::string byHand = "; mine\r\n[S]\r\na=3\r\n新键=值\nx";
  const std::string torn("[S]\r\na=1\r\n\0\0", 12);
  struct Case {
    const char* name;
    std::string content;
    std::string backup;  // empty for none
    const char* readA;
    bool fromBackup;
    std::string backupAfterSave;
  };
  const Case cases[] = {
      {"zeros of a lost write", torn, backup, "7", true, backup},
      {"cut inside a character", "[S]\r\na=1\r\nb=\xD6", backup, "7", true, backup},
      {"unreadable", std::string(kMaxConfigFileBytes + 1, 'x'), backup, "7", true, backup},
      {"edited by hand", byHand, backup, "3", false, byHand},
      {"torn backup", torn, backup + "\xFF", "1", false, backup + "\xFF"},
      {"no backup", torn, "", "1", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store_.Close();
    RemoveFile(path_ + ".bak");
    if (!c.backup.empty()) ASSERT_TRUE(WriteWholeFile(path_ + ".bak", c.backup));
    ASSERT_TRUE(WriteWholeFile(path_, c.content));
    std::vector<std::string> messages;
    store_.SetMessageBox([&](const std::string& text, unsigned, const std::string&) {
      messages.push_back(text);
      return 0;
    });
    const bool held = store_.Open(FilePath::FromGbk(path_));
    store_.SetSection("S");
    EXPECT_EQ(store_.ReadText("a", "default"), c.readA);
    ASSERT_EQ(messages.size(), c.fromBackup ? 1u : 0u);
    if (c.fromBackup) EXPECT_NE(messages[0].find(path_ + ".bak"), std::string::npos) << messages[0];
    // The next save writes the settings file; the previous one becomes the
    // backup only when it was sound.
    EXPECT_EQ(store_.WriteText("b", "5"), held) << store_.WriteError();
    if (held && c.fromBackup) EXPECT_EQ(FileBytes(path_), "[S]\r\nb=5\r\na=7");
    EXPECT_EQ(FileExists(path_ + ".bak"), !c.backupAfterSave.empty());
    if (!c.backupAfterSave.empty()) EXPECT_EQ(FileBytes(path_ + ".bak"), c.backupAfterSave);
  }
}

TEST_F(ConfigStoreTest, LineBreaksInNamesAreRefused) {
  OpenWith("[S]\r\na=1");
  EXPECT_EQ(store_.WriteEntry("S", "a\r\nb", "1", true), kWriteFailed);
  EXPECT_EQ(store_.WriteEntry("S\r\n", "a", "1", true), kWriteFailed);
  EXPECT_EQ(store_.WriteEntry("S", "a", "1\r\n[T]", true), kWriteFailed);
  EXPECT_EQ(store_.ReadEntry("S", "\r\na", "default"), "default");
  EXPECT_EQ(Bytes(), "[S]\r\na=1");
}

TEST_F(ConfigStoreTest, CopyKeepsContentButNotTheFile) {
  OpenWith("[S]\r\na=1");
  ConfigStore copy;
  copy.CopyFrom(store_);
  EXPECT_FALSE(copy.IsFileOpen());
  EXPECT_EQ(copy.ReadText("a", ""), "1");
  EXPECT_TRUE(copy.WriteText("a", "2"));
  EXPECT_EQ(copy.WriteError(), "");
  EXPECT_EQ(store_.ReadText("a", ""), "1");
  EXPECT_EQ(Bytes(), "[S]\r\na=1");
}

}  // namespace
}  // namespace movrel
