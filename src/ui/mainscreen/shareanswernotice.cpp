#include "ui/mainscreen/shareanswernotice.h"

#include "ui/common/backgroundtask.h"

#include <QFileInfo>
#include <QTimer>

namespace trevlamark {

ShareAnswerNotice::ShareAnswerNotice(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("shareNotice"));
    setWordWrap(true);
    hide();
}

void ShareAnswerNotice::ask(const QString &folder, std::function<void()> answered)
{
    const quint64 question = ++m_question;
    setText(QStringLiteral("Waiting for %1 to answer").arg(folder));
    show();
    QTimer::singleShot(answerSeconds * 1000, this, [this, question, folder] {
        if (question != m_question)
            return;
        ++m_question;
        setText(QStringLiteral("%1 did not answer within %2 seconds").arg(folder).arg(answerSeconds));
    });
    BackgroundTask::run<bool>(
        this, [folder] { return QFileInfo(folder).isDir(); },
        [this, question, folder, answered = std::move(answered)](bool isFolder) {
            if (question != m_question)
                return;
            ++m_question;
            if (!isFolder) {
                setText(QStringLiteral("%1 cannot be read").arg(folder));
                return;
            }
            hide();
            answered();
        });
}

} // namespace trevlamark
