#pragma once

#include <QWidget>

class QStackedWidget;
class QTabBar;

// The view's tab bar over its stack of pages. Unlike a QTabWidget it does not tie tab i to
// page i: the owner maps tabs to pages, so several tabs may show one page. GUI thread.
class IVTabWidget : public QWidget {
  Q_OBJECT

 public:
  explicit IVTabWidget(QWidget* parent = nullptr);

  // Places `bar` (borrowed; becomes a child) above the pages, replacing any earlier bar.
  void setTabBar(QTabBar* bar);
  QTabBar* tabBar() const { return bar_; }
  // The page index of `page`, or -1 when it is no page here.
  int indexOf(QWidget* page) const;
  // Appends `page` and answers its index.
  int addPage(QWidget* page);
  int pageCount() const;
  int currentPage() const;
  QWidget* page(int index) const;

 public slots:
  // Shows page `index`; an index outside the pages changes nothing.
  void setCurrentPage(int index);

 private:
  QTabBar* bar_ = nullptr;
  QStackedWidget* stack_;
};
