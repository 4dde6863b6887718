// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <functional>

class QMenuBar;
class TitleBar;

// A window of the program: a top-level widget with a design name (its objectName), an
// optional menu bar, and a client area whose children are placed in twips. Loading runs
// Form_Load; unloading (Forms::Unload, or the close box) runs Form_Unload and destroys it.
class Form : public QWidget
{
    Q_OBJECT
public:
    explicit Form(const QString& designName);
    ~Form() override;

    QString Name() const { return objectName(); }

    // The area below the menu bar; child controls go here at twips positions. Its font, which
    // controls without one of their own take, is the regular 8.25-point sans serif face.
    QWidget* Client() const { return m_client; }
    QMenuBar* MenuBar(); // made on first use, above the client area

    // Client size in twips. A fixed border keeps that size; a sizable one starts with it.
    void SetClientSizeTwips(int width, int height, bool fixedBorder);
    // Whether fixed-border windows draw their own caption bar, without maximise and minimise
    // boxes: by default where Qt draws the window frames itself, under Wayland. Set before the
    // windows are made.
    static bool OwnTitleBars();
    static void SetOwnTitleBars(bool own);
    TitleBar* OwnTitleBar() const { return m_titleBar; }
    // Outer size (borders and caption included) in twips, as resize handlers measure it.
    int OuterWidthTwips() const;
    int OuterHeightTwips() const;
    void CenterOnScreen();

    bool IsLoaded() const { return m_loaded; }
    // Screen readers are told the window is a dialog rather than a frame.
    void MarkAsDialog() { m_dialog = true; }
    bool IsDialog() const { return m_dialog; }
    void setVisible(bool visible) override;

    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    virtual void Form_Resize() {}

signals:
    void Unloaded(); // emitted once Form_Unload has run, before the widget is destroyed

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class FormsRegistry;
    void ApplyClientSize();
    void ForgetInstance();

    QWidget* m_client;
    QMenuBar* m_menuBar = nullptr;
    TitleBar* m_titleBar = nullptr;
    QSize m_clientPixels;
    QSize m_appliedSize; // what a sizable window was last given, to tell a resize by others
    bool m_fixedBorder = false;
    bool m_loaded = false;
    bool m_dialog = false;
    bool m_unloading = false; // set for good once unloading starts: the form is on its way out
    bool m_modalHold = false; // a modal show keeps the form alive until it returns
    std::function<void()> m_forgetInstance; // clears the program-wide instance of this form
};
