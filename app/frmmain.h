#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class frmMain;
}

// The main menu: a dark title band and one button for each checking screen.
class frmMain : public QWidget
{
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    void fitTitleBand();

    std::unique_ptr<Ui::frmMain> ui;
};
