#pragma once

#include <QWidget>

class frmMeds : public QWidget
{
    Q_OBJECT

public:
    explicit frmMeds(QWidget *parent = nullptr);
};
