#pragma once
// Asks a share's folder whether it answers, off the window's thread and within
// a limit, before anything on the window's thread reads it (the folder dialog
// would freeze the window on a share whose server stopped answering). Says
// what it waits for, and why nothing followed. Only the newest question counts.

#include <QLabel>
#include <functional>

namespace trevlamark {

class ShareAnswerNotice : public QLabel
{
    Q_OBJECT

public:
    explicit ShareAnswerNotice(QWidget *parent = nullptr);

    // answered runs on the window's thread once folder answered in time.
    void ask(const QString &folder, std::function<void()> answered);

    static constexpr int answerSeconds = 10;

private:
    quint64 m_question = 0;
};

} // namespace trevlamark
