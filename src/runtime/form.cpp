// SPDX-License-Identifier: MIT
#include "form.h"

#include "errors.h"
#include "forms.h"
#include "layout.h"
#include "titlebar.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>
#include <optional>
#include <utility>

namespace
{
std::optional<bool>& ownTitleBars()
{
    static std::optional<bool> own;
    return own;
}

// A plain top-level widget would be announced as a bare pane.
QAccessibleInterface* AccessibleForm(const QString& className, QObject* object)
{
    auto* form = className == QLatin1String("Form") ? qobject_cast<Form*>(object) : nullptr;
    if (!form)
        return nullptr;
    return new QAccessibleWidget(form,
                                 form->IsDialog() ? QAccessible::Dialog : QAccessible::Window);
}

} // namespace

Form::Form(const QString& designName) : m_client(new QWidget(this))
{
    static const bool accessible = (QAccessible::installFactory(&AccessibleForm), true);
    Q_UNUSED(accessible);
    setObjectName(designName);
    // Controls that are given no font of their own use the windows' default face.
    m_client->setFont(SansSerifFont(8.25, false));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_client);
}

Form::~Form()
{
    FormsRegistry::Forget(this);
    ForgetInstance();
}

QMenuBar* Form::MenuBar()
{
    if (!m_menuBar) {
        m_menuBar = new QMenuBar(this);
        layout()->setMenuBar(m_menuBar);
        if (m_clientPixels.isValid())
            ApplyClientSize();
    }
    return m_menuBar;
}

void Form::SetClientSizeTwips(int width, int height, bool fixedBorder)
{
    m_clientPixels = QSize(Twips::ToPixels(width), Twips::ToPixels(height));
    m_fixedBorder = fixedBorder;

    Qt::WindowFlags flags = Qt::Window;
    if (fixedBorder)
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint;
    if (fixedBorder && OwnTitleBars()) {
        flags = Qt::Window | Qt::FramelessWindowHint; // with any title hint Qt draws its frame
        if (!m_titleBar) {
            // Above the menu bar and the client area, which the layout places below it.
            m_titleBar = new TitleBar(*this);
            setContentsMargins(0, m_titleBar->height(), 0, 0);
        }
    }
    if (windowFlags() != flags) {
        const bool wasVisible = isVisible();
        setWindowFlags(flags); // hides a visible window
        if (wasVisible)
            show();
    }
    ApplyClientSize();
}

void Form::ApplyClientSize()
{
    QLayout* box = layout();
    if (m_fixedBorder) {
        // The layout then keeps the window at client plus menu bar, however the menus grow.
        m_client->setFixedSize(m_clientPixels);
        box->setSizeConstraint(QLayout::SetFixedSize);
        box->invalidate(); // hidden children do not invalidate it themselves
        box->activate();
        return;
    }
    box->setSizeConstraint(QLayout::SetDefaultConstraint);
    m_client->setMinimumSize(0, 0);
    m_client->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QSize size = m_clientPixels;
    if (m_menuBar)
        size.rheight() += m_menuBar->sizeHint().height();
    resize(size);
    m_appliedSize = size;
}

bool Form::OwnTitleBars()
{
    if (!ownTitleBars())
        ownTitleBars() = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    return *ownTitleBars();
}

void Form::SetOwnTitleBars(bool own)
{
    ownTitleBars() = own;
}

int Form::OuterWidthTwips() const
{
    return static_cast<int>(Twips::FromPixels(frameGeometry().width()));
}

int Form::OuterHeightTwips() const
{
    return static_cast<int>(Twips::FromPixels(frameGeometry().height()));
}

void Form::CenterOnScreen()
{
    QScreen* target = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!target)
        return;
    // Places the client area: the frame is unknown until a window manager adds it, and a
    // position given for the frame lands the window lower by the frame's height under some.
    QRect client = geometry();
    client.moveCenter(target->availableGeometry().center());
    setGeometry(client);
}

void Form::setVisible(bool visible)
{
    // Menus are usually added after the size is set: measure again just before showing,
    // unless someone has resized a sizable window since.
    if (visible && !isVisible() && m_clientPixels.isValid() &&
        (m_fixedBorder || size() == m_appliedSize))
        ApplyClientSize();
    QWidget::setVisible(visible);
}

void Form::closeEvent(QCloseEvent* event)
{
    // The close box unloads the window; it is not merely hidden.
    event->accept();
    FormsRegistry::Unload(*this);
}

void Form::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_titleBar)
        m_titleBar->setGeometry(0, 0, width(), m_titleBar->height());
    // Resize handlers ignore their errors.
    ContinueOnError({[this] { Form_Resize(); }});
}

void Form::ForgetInstance()
{
    if (m_forgetInstance)
        std::exchange(m_forgetInstance, {})();
}
