// The final name of an output: a regular file there is replaced whole; anything
// else is refused and left as it is, and no file appears under another name.

#include "render/output_file.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <string>

#include "core/error.h"
#include "render/qt_picture.h"

namespace vorlanth {
namespace {

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// The message of the Error `save` throws, empty when it throws none.
template <typename Save>
std::string Refusal(Save save) {
  try {
    save();
  } catch (const Error& e) {
    return e.what();
  }
  return {};
}

TEST(OutputFile, OnlyAFreeNameOrARegularFileTakesAFrame) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QDir root(dir.path());
  QImage image(4, 3, QImage::Format_RGB32);
  image.fill(qRgb(10, 20, 30));
  const auto save = [&](const char* name) {
    return Refusal([&] { SavePicture(image, root.filePath(name).toStdString()); });
  };
  {
    QFile victim(root.filePath("victim.txt"));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.write("the user's own");
  }
  ASSERT_TRUE(QFile::link(root.filePath("victim.txt"), root.filePath("link.bmp")));
  ASSERT_TRUE(QFile::link(root.filePath("nowhere.bmp"), root.filePath("dangling.bmp")));
  ASSERT_TRUE(root.mkdir("folder.bmp"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(root.filePath("fifo.bmp")).constData(), 0600), 0);

  EXPECT_NE(save("link.bmp").find("symbolic link to \"" + root.filePath("victim.txt").toStdString()),
            std::string::npos) << save("link.bmp");
  EXPECT_NE(save("dangling.bmp").find("symbolic link"), std::string::npos);
  EXPECT_NE(save("folder.bmp").find("folder"), std::string::npos);
  EXPECT_NE(save("fifo.bmp").find("not a regular file"), std::string::npos);
  EXPECT_EQ(Read(root.filePath("victim.txt")), "the user's own");
  EXPECT_FALSE(QFile::exists(root.filePath("nowhere.bmp")));
  EXPECT_TRUE(QFileInfo(root.filePath("link.bmp")).isSymLink());

  // A regular file is replaced whole; through a link it would have been the victim.
  EXPECT_EQ(save("victim.txt"), "");
  EXPECT_EQ(QImage(root.filePath("victim.txt"), "BMP").pixel(3, 2), qRgb(10, 20, 30));
  EXPECT_EQ(root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(), 5);
}

// Qt spells file names in UTF-8 in every locale, the test's C or POSIX included: a
// byte that is not UTF-8 would become U+FFFD, so such a name is refused, and a
// name in UTF-8 is written under exactly its bytes.
TEST(OutputFile, ANameIsWrittenUnderItsOwnBytesOrRefused) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string latin1 = EncodeFileName(dir.path()) + "/lat\xe9.bmp";
  ASSERT_NE(EncodeFileName(DecodeFileName(latin1)), latin1);  // what makes the refusal needed
  QImage image(2, 2, QImage::Format_RGB32);
  image.fill(Qt::white);
  EXPECT_NE(Refusal([&] { SavePicture(image, latin1); }).find("not valid UTF-8"), std::string::npos);
  EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System));

  const std::string utf8 = EncodeFileName(dir.path()) + "/lat\xc3\xa9.bmp";
  SavePicture(image, utf8);
  struct stat info {};
  EXPECT_EQ(::stat(utf8.c_str(), &info), 0);
}

}  // namespace
}  // namespace vorlanth
