// A prompter for tests: records every question and answers from a script.
#pragma once
#include <QString>
#include <deque>
#include <vector>

#include "desktop/Prompter.h"

namespace desktoptest {

class FakePrompter : public kiv::Prompter {
 public:
  struct Call {
    QString kind;  // "message", "open", "opens", "save", "folder", "font"
    QString caption;
    QString text;
    kiv::BoxIcon icon = kiv::BoxIcon::kNone;
    kiv::BoxButtons buttons = kiv::BoxButtons::kOk;
    // The object name of the modal window up when the question came (empty
    // when none was): what the question would have opened over.
    QString over;
  };

  // Installs itself for its lifetime.
  FakePrompter() { kiv::SetPrompter(this); }
  ~FakePrompter() override { kiv::SetPrompter(nullptr); }

  // Answers given in order; once used up a box answers as unanswered and a
  // dialog is cancelled.
  void AnswerBox(kiv::BoxAnswer a) { boxes_.push_back(a); }
  void AnswerPath(const QString& path) { paths_.push_back(path); }
  void AnswerFont(const QFont& font) { fonts_.push_back(font); }

  const std::vector<Call>& Calls() const { return calls_; }
  void Clear() { calls_.clear(); }

  kiv::BoxAnswer Message(QWidget* owner, const QString& caption, const QString& text, kiv::BoxIcon icon,
                    kiv::BoxButtons buttons) override;
  QString OpenFile(QWidget* owner, const QString& title, const QString& folder,
                   const QString& filter) override;
  QStringList OpenFiles(QWidget* owner, const QString& title, const QString& folder,
                        const QString& filter) override;
  QString SaveFile(QWidget* owner, const QString& title, const QString& path,
                   const QString& filter) override;
  QString Folder(QWidget* owner, const QString& title, const QString& folder) override;
  bool Font(QWidget* owner, QFont& font) override;

 private:
  QString NextPath();
  std::vector<Call> calls_;
  std::deque<kiv::BoxAnswer> boxes_;
  std::deque<QString> paths_;
  std::deque<QFont> fonts_;
};

}  // namespace desktoptest
