# How the targets are compiled and linked quickly; nothing here changes what a target does.

# lld links the large test and replay programs (every library, static, sanitized) several times
# faster than the default linker. scripts/zarvo.sh installs it; without it the default links.
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=lld ZARVO_HAVE_LLD)
if(ZARVO_HAVE_LLD)
  add_link_options(-fuse-ld=lld)
endif()

# ccache caches a source compiled with a precompiled header only when told that the header's
# macros and time stamps are the build's concern: nothing here reads __DATE__ or __TIME__.
if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=pch_defines,time_macros
      ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

# The Qt and test headers that nearly every source above the engine reads, parsed once per target
# instead of once per source. <QtGlobal> leads so that Qt's own configuration comes first.
set(ZARVO_PCH_QT_GUI <QtGlobal> <QObject> <QString> <QStringList> <QList> <QVector> <QHash>
    <QMap> <QVariant> <QByteArray> <QPointer> <QDebug> <QFile> <QDir> <QSettings> <QThread>
    <QCoreApplication> <QImage> <QPixmap> <QPainter> <QColor> <algorithm> <cmath> <functional>
    <memory> <vector>)
set(ZARVO_PCH_QT_WIDGETS <QWidget> <QApplication> <QAction> <QLabel> <QBoxLayout> <QMouseEvent>
    <QAbstractSlider> <QAbstractButton>)
set(ZARVO_PCH_TESTS <gtest/gtest.h> <QTest> <QSignalSpy>)

# zarvo_precompile_qt(<target> [WIDGETS] [TESTS] [REUSE_FROM <other>]): precompiles the heavy
# headers for a target above the engine: Qt Core and Gui, the widgets with WIDGETS (the target
# must link Qt5::Widgets), GoogleTest, QtTest and the signal spy with TESTS. REUSE_FROM takes
# <other>'s precompiled headers instead of making its own; both must see the same Qt modules and
# options, or GCC refuses the copy (-Winvalid-pch, an error under ZARVO_WERROR). Sources compiled
# with instruction-set options of their own keep out of it (set their SKIP_PRECOMPILE_HEADERS).
function(zarvo_precompile_qt target)
  cmake_parse_arguments(PARSE_ARGV 1 pch "WIDGETS;TESTS" "REUSE_FROM" "")
  if(pch_REUSE_FROM)
    target_precompile_headers(${target} REUSE_FROM ${pch_REUSE_FROM})
    return()
  endif()
  set(headers ${ZARVO_PCH_QT_GUI})
  if(pch_WIDGETS)
    list(APPEND headers ${ZARVO_PCH_QT_WIDGETS})
  endif()
  if(pch_TESTS)
    list(APPEND headers ${ZARVO_PCH_TESTS})
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# zarvo_test_code(<target>): test code itself compiles at -O1. The libraries under test keep the
# build's own optimisation, so the tests still check the code that ships; the test bodies (many
# expanded assertions each) compile about a third faster. The sanitizer build is at -O1 already.
function(zarvo_test_code target)
  target_compile_options(${target} PRIVATE -O1)
endfunction()
