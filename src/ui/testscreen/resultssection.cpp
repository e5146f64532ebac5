#include "ui/testscreen/resultssection.h"

#include "ui/common/resultcard.h"

#include <QLabel>
#include <QVBoxLayout>

namespace trevlamark {

ResultsSection::ResultsSection(QWidget *parent)
    : QWidget(parent)
    , m_placeholder(new QLabel(QStringLiteral("No test results yet"), this))
    , m_card(new ResultCard(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_placeholder->setForegroundRole(QPalette::PlaceholderText);
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout->addWidget(m_placeholder);
    layout->addWidget(m_card);
    m_card->hide();
}

void ResultsSection::setTestResult(const std::optional<PerformanceTestResult> &result)
{
    m_placeholder->setVisible(!result);
    m_card->setVisible(result.has_value());
    if (result)
        m_card->setResult(*result);
}

} // namespace trevlamark
