// Resource, control and string identifiers of the program.
#pragma once

constexpr int IDD_MAIN = 100;
constexpr int IDI_APP = 101;

constexpr int IDC_PORT = 1000;
constexpr int IDC_CREDIT = 1003;
constexpr int IDC_STATUS = 1006;
constexpr int IDC_CONNECT = 1007;
constexpr int IDC_SETTINGS = 1008;
constexpr int IDC_BAUD = 1010;
constexpr int IDC_BAUD_LABEL = 1011;
constexpr int IDC_WEB = 1012;

// English text at the identifier, German at the identifier + 1.
constexpr unsigned IDS_ERR_PORT = 10;
constexpr unsigned IDS_ERR_NOCONN = 20;
constexpr unsigned IDS_CONNECT = 40;
constexpr unsigned IDS_DISCONNECT = 50;
constexpr unsigned IDS_CONNECTED = 60;
constexpr unsigned IDS_CLOSED = 70;
constexpr unsigned IDS_SETTING = 80;
constexpr unsigned IDS_MINIMISE = 90;
