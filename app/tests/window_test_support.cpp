#include "window_test_support.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QProcess>
#include <QTreeView>
#include <cstdlib>

namespace app::testing {

int ScriptedMessageBoxes::Show(QWidget*, const QString& text, const QString& caption,
                               unsigned style) {
  shown.push_back({text, caption, style});
  if (answers.empty()) return DefaultAnswer(style);
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

QWidget* ScriptedMessageBoxes::Notify(QWidget*, const QString& text, const QString& caption,
                                      unsigned style) {
  shown.push_back({text, caption, style, /*waits=*/false});
  return nullptr;
}

QString ScriptedFileDialog::Execute(QWidget*, const QString& ext, const QString& filter_text,
                                    const QString& dir, const QString& name) {
  ++calls;
  default_ext = ext;
  filter = filter_text;
  initial_dir = dir;
  file_name = name;
  return answer;
}

QString ScriptedDataLinkDialog::Edit(QWidget*, const QString& connection_string) {
  received = connection_string;
  return edit ? edit(connection_string) : connection_string;
}

void ScriptedServerList::Enumerate(const std::function<void(const QString&)>& add) {
  ++calls;
  for (int i = 0; i < names.size(); ++i) {
    if (i == fail_after) throw std::runtime_error("network went away");
    add(names[i]);
  }
}

bool LocalFirebirdServerAnswers() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(3050);
  const bool answers = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(probe);
  return answers;
}

void CreateFirebirdDatabase(const std::string& path) {
  QProcess isql;
  isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q")});
  ASSERT_TRUE(isql.waitForStarted(10000)) << "isql-fb is not installed";
  const std::string create = "CREATE DATABASE '" + path +
                             "' USER 'SYSDBA' PASSWORD 'masterkey' "
                             "DEFAULT CHARACTER SET WIN1251;\n";
  isql.write(create.c_str());
  isql.closeWriteChannel();
  ASSERT_TRUE(isql.waitForFinished(60000));
  ASSERT_EQ(isql.exitCode(), 0) << isql.readAllStandardError().toStdString();
  ASSERT_TRUE(std::filesystem::exists(path));
}

QTreeView* ListedFiles(QFileDialog& dialog, int rows) {
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!view) return nullptr;
  QElapsedTimer clock;
  clock.start();
  while (view->model()->rowCount(view->rootIndex()) < rows && clock.elapsed() < 10000)
    QCoreApplication::processEvents();
  return view;
}

}  // namespace app::testing
