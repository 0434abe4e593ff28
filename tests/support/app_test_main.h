#pragma once
// main() of a window test: a private home and configuration folder before the
// first settings access, and the news page on a closed local port, so tests
// never touch the user's settings or leave the machine.
#include "app/chinese_texts.h"
#include "app/web_links.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#define KUVO_APP_TEST_MAIN(TestClass)                                                                     \
  int main(int argc, char *argv[]) {                                                                      \
    QTemporaryDir home;                                                                                   \
    qputenv("HOME", home.path().toUtf8());                                                                \
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());                      \
    QApplication app(argc, argv);                                                                         \
    kuvo::installChineseQtTexts(app);                                                                     \
    kuvo::setNewsPageUrl(QUrl(QStringLiteral("http://127.0.0.1:9/today.html")));                          \
    TestClass test;                                                                                       \
    return QTest::qExec(&test, argc, argv);                                                               \
  }
