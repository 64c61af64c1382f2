#include "mainwindow/Form1Layout.h"

namespace zemo {

namespace {
using R = Form1Rects;
} // namespace

const WindowResize<Form1Rects> kForm1Resize{
    {9375, 7230},
    {
        {&R::Label2, Edge::Left, Delta::Width, 3},       {&R::Label3, Edge::Left, Delta::Width, 1},
        {&R::Label4, Edge::Left, Delta::Width, 2},       {&R::Label5, Edge::Left, Delta::Width, 2},
        {&R::Text2, Edge::Width, Delta::Width, 2},       {&R::Text4, Edge::Width, Delta::Width, 2},
        {&R::Text4, Edge::Left, Delta::Width, 2},        {&R::Combo2, Edge::Left, Delta::Width, 2},
        {&R::Command1, Edge::Left, Delta::Width, 3},     {&R::Command2, Edge::Left, Delta::Width, 1},
        {&R::Command4, Edge::Left, Delta::Width, 2},     {&R::Command5, Edge::Left, Delta::Width, 2},
        {&R::Command6, Edge::Left, Delta::Width, 2},     {&R::Command7, Edge::Left, Delta::Width, 1},
        {&R::Command8, Edge::Left, Delta::Width, 1},     {&R::List1, Edge::Width, Delta::Width, 2},
        {&R::List1, Edge::Height, Delta::ListHeight, 1}, {&R::List2, Edge::Height, Delta::ListHeight, 1},
        {&R::List2, Edge::Width, Delta::Width, 2},       {&R::List2, Edge::Left, Delta::Width, 2},
        {&R::VSFlexGrid1, Edge::Width, Delta::Width, 1},
    }};

} // namespace zemo
