#pragma once

#include <QWidget>

class frmview : public QWidget
{
    Q_OBJECT

public:
    explicit frmview(QWidget *parent = nullptr);
};
