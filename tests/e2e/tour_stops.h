// The screen tour's list: every screen the program can show today, and how
// to get there. The tour (tour_test.cpp) runs the program at 240x320 and at
// 320x240, walks to each stop from the main menu and runs the screen check
// (tests/support/ScreenCheck.h) on every screen it passes on the way.
//
// To add a screen, append a stop to the section of its screen family:
//
//   {"name in failures", "path from the main menu", "the screen reached"},
//
// The path is a list of steps separated by spaces; each step but ".KEY"
// waits for the next screen the program draws, and the tour checks it:
//   ITEM     choose the item named ITEM in the menu on the screen
//   =DIGITS  type the digits into the field in focus, then Enter
//   !KEY     press KEY: enter, cancel, down, up or a key code
//   .KEY     press KEY without waiting (moving inside a dialog)
//   ~        wait for the next screen, pressing nothing
// The screen reached is "file:NAME" (a dialog or menu description file) or
// "title:TEXT" (a message box's title, the header of a built form; plain
// and u8 literals both do). After
// the stop the tour presses Cancel until the main menu is back. A stop that
// needs the controller stand-in to behave otherwise gives kktsim scenario
// lines (tools/kktsim/README.md) as a fourth member (lines "osal NAME VALUE"
// among them set the OS stand-in's properties instead, a line "start MODE"
// gives the program its start mode) and runs in a program of its own; its path starts from the first screen the program waits on (the
// main menu, unless the scenario stops the program before it), or the stop
// is the first screen shown when that is its screen.
#ifndef TESTS_E2E_TOUR_STOPS_H
#define TESTS_E2E_TOUR_STOPS_H

struct TourStop {
    const char *name;
    const char *path;
    const char *screen;
    const char *scenario = nullptr;
};

const TourStop kTourStops[] = {
    // ---- start-up and the main menu ----
    {"wait box", "", "title:ПОДОЖДИТЕ", "not-ready 15000\n"}, // stays while it is checked
    {"main menu", "", "file:kkt_menu_main.xml"},
    {"plain question box", "!cancel", "title:ВНИМАНИЕ"},
    {"information screen", "info", "file:common_dlg_info.xml"},
    // Only the quit key leaves the terminal, so it runs in a program of its own.
    {"monitor terminal", "term =3846", "file:kkt_dlg_terminal.xml", "# the terminal on the service monitor\n"},
    {"plain error box", "", "title:ОШИБКА", "mode service\n"},
    {"alert question box", "!enter", "title:ВНИМАНИЕ", "mode service\n"},

    // ---- sales and receipts ----
    {"sales menu", "sales", "file:kkt_menu_sales.xml"},
    {"receipt-cancel error box", "sales receipt_cancel", "title:ОШИБКА"},
    {"receipt page 1", "sales receipt_fiscal", "file:kkt_dlg_receipt_open_1.xml"},
    {"receipt tag list", "sales receipt_fiscal !69", "file:kkt_dlg_tags.xml"},
    {"tag dialog", "sales receipt_fiscal !69 !241", "file:kkt_dlg_input_tag.xml"},
    {"receipt page 2", "sales receipt_fiscal !enter", "file:kkt_dlg_receipt_open_2.xml"},
    {"receipt page 3", "sales receipt_fiscal !enter !enter", "file:kkt_dlg_receipt_open_3.xml"},
    {"position list", "sales receipt_fiscal !enter !enter !enter", "file:kkt_dlg_poss_cheque.xml"},
    {"correction page 1 (FFD 1.05)", "sales receipt_correct", "file:kkt_dlg_receipt_corr105_1.xml"},
    {"correction page 2", "sales receipt_correct !enter", "file:kkt_dlg_receipt_corr_2.xml"},
    {"correction page 3", "sales receipt_correct !enter !enter", "file:kkt_dlg_receipt_corr_3.xml"},
    {"correction page 1", "sales receipt_correct", "file:kkt_dlg_receipt_corr_1.xml", "drive ffd 1.2\n"},
    {"empty receipt question", "sales receipt_fiscal !enter !enter !enter !enter", "title:ВНИМАНИЕ", "drive shift open 1\n"},
    {"payment object list (FFD 1.1)", "sales receipt_fiscal !enter !enter !enter !241", "file:kkt_dlg_receipt_calc_object_1_1.xml", "drive shift open 1\n"},
    {"goods page", "sales receipt_fiscal !enter !enter !enter !241 !enter", "file:kkt_dlg_receipt_good_1.xml", "drive shift open 1\n"},
    {"tax rate page", "sales receipt_fiscal !enter !enter !enter !241 !enter !enter", "file:kkt_dlg_select_tax_type.xml", "drive shift open 1\n"},
    {"calculation method page", "sales receipt_fiscal !enter !enter !enter !241 !enter !enter !enter", "file:kkt_dlg_receipt_calc_method.xml",
     "drive shift open 1\n"},
    {"agent page", "sales receipt_fiscal !enter !enter !enter !241 !enter !enter !enter !enter", "file:kkt_dlg_receipt_agent_1.xml", "drive shift open 1\n"},
    {"agent data page", "sales receipt_fiscal !enter !enter !enter !241 !enter !enter !enter !enter .9 .9 .6 !enter", "file:kkt_dlg_receipt_agent_2.xml",
     "drive shift open 1\n"},
    {"supplier page", "sales receipt_fiscal !enter !enter !enter !241 !enter !enter !enter !enter .9 .9 .6 !enter !enter",
     "file:kkt_dlg_receipt_agent_3.xml", "drive shift open 1\n"},
    {"position comment page", "sales receipt_fiscal !enter !enter !enter !241 !enter !enter !enter !enter !enter", "file:kkt_dlg_receipt_good_2.xml",
     "drive shift open 1\n"},
    {"payment page", "sales receipt_fiscal !enter !enter !enter !241 !enter !enter !enter !enter !enter !enter !enter", "file:kkt_dlg_receipt_payment.xml",
     "drive shift open 1\n"},
    // the quantity typed as 0 (key code 11)
    {"goods page refusal (quantity of zero)", "sales receipt_fiscal !enter !enter !enter !241 !enter .down .down .down .11 !enter",
     "title:ОШИБКА", "drive shift open 1\n"},
    {"buyer page", "sales receipt_fiscal !enter !enter !enter !241 !enter !enter !enter !enter !enter !enter !enter !enter", "file:kkt_dlg_receipt_client.xml",
     "drive shift open 1\n"},
    // A marking sale opens the OISM session first: with no connection
    // configured the link type is asked (cancelled here).
    {"payment object list (FFD 1.2)", "sales receipt_fiscal !cancel !enter !enter !enter !241", "file:kkt_dlg_receipt_calc_object_1_2.xml",
     "drive shift open 1\ndrive ffd 1.2\ndrive marking 00000100\n"},
    {"lot size page", "sales receipt_fiscal !cancel !enter !enter !enter !241 .9 .9 .6 !enter", "file:kkt_dlg_receipt_good_5.xml",
     "drive shift open 1\ndrive ffd 1.2\ndrive marking 00000100\n"},
    {"marking-code scan dialog", "sales receipt_fiscal !cancel !enter !enter !enter !241 .9 .9 .6 !enter",
     "file:kkt_dlg_scan_mark.xml", "drive shift open 1\ndrive ffd 1.2\ndrive marking 00000100\nosal ro.fac.barcode 1\n"},
    {"planned status page", "sales receipt_fiscal !cancel !enter !enter !enter !241 .9 .9 .6 !enter !enter", "file:kkt_dlg_receipt_good_3.xml",
     "drive shift open 1\ndrive ffd 1.2\ndrive marking 00000100\n"},
    {"measure page", "sales receipt_fiscal !cancel !enter !enter !enter !241 .9 .9 .6 !enter !enter !enter", "file:kkt_dlg_receipt_good_4.xml",
     "drive shift open 1\ndrive ffd 1.2\ndrive marking 00000100\n"},

    // ---- shift and cash ----
    {"shift menu", "shift", "file:kkt_menu_shift.xml"},
    {"shift-opening dialog", "shift shift_open", "file:kkt_dlg_shift_open.xml"},
    {"shift-closing dialog", "shift shift_close", "file:kkt_dlg_shift_close.xml"},
    {"deposit dialog", "shift cashbox_to", "file:kkt_dlg_to_cash.xml"},
    {"withdrawal dialog", "shift cashbox_from", "file:kkt_dlg_from_cash.xml"},
    {"error box", "shift cashbox_from =10000", "title:ОШИБКА"},
    {"shift report", "shift shift_report", "file:kkt_menu_shift.xml", "drive shift open\n"},
    {"no-paper notice", "shift shift_report", "title:ВНИМАНИЕ", "drive shift open\npaper out\n"},

    // ---- reports ----
    {"reports menu", "reports", "file:kkt_menu_reports.xml"},
    {"shift counters", "reports shift_doc_counter", "title:СЧЕТЧИКИ СМЕНЫ"},
    {"money totals", "reports money_info", "title:ДЕНЕЖНЫЕ ИТОГИ"},
    {"shift totals", "reports report_ext", "title:ИТОГИ СМЕНЫ"},
    {"printer state", "reports prn_stat", "title:СОСТОЯНИЕ ПРИНТЕРА"},
    {"payment-type report dialog", "reports report_payment", "file:kkt_dlg_report_payment.xml"},
    {"payment-type report", "reports report_payment !enter", "title:ИТОГИ ПО ОПЛАТАМ"},
    {"department report dialog", "reports report_dep", "file:kkt_dlg_report_dep.xml"},
    {"department report", "reports report_dep =3", "title:ИТОГИ ПО ОТДЕЛАМ"},
    {"bad department box", "reports report_dep =41", "title:ОШИБКА"},

    // ---- fiscal drive and registration ----
    {"fiscal drive menu", "fn", "file:kkt_menu_fn.xml"},
    {"drive status", "fn fn_stat", "title:СОСТОЯНИЕ ФН"},
    {"drive registration", "fn fn_fisc", "title:ИТОГИ РЕГИСТРАЦИИ"},
    {"registration parameter dialog", "fn fn_par", "file:kkt_dlg_get_reg_param.xml"},
    {"registration parameter", "fn fn_par =1048", "title:ПАРАМЕТР 1048"},
    {"drive document dialog", "fn fn_doc", "file:kkt_dlg_fn_get_doc.xml"},
    {"drive document", "fn fn_doc =2", "title:ДОКУМЕНТ ПО НОМЕРУ", "drive document shift-open 0103260900\n"},
    {"drive exchange", "fn fn_comm", "title:ОБМЕН С ОФД"},
    {"drive errors", "fn fn_err", "title:ВНИМАНИЕ"},
    {"drive-closing password", "fn fn_close", "file:kkt_dlg_pass_input.xml"},
    {"drive-closing dialog", "fn fn_close =3846", "file:kkt_dlg_fn_close.xml"},
    {"drive-closing name box", "fn fn_close =3846 !enter", "title:ОШИБКА"},
    {"registration totals question", "fn fn_reg", "title:ИТОГИ РЕГИСТРАЦИИ"},
    {"registration page 1", "fn fn_reg !enter", "file:kkt_dlg_registration_1.xml"},
    {"registration page 2", "fn fn_reg !enter !enter", "file:kkt_dlg_registration_2.xml"},
    {"registration tax systems", "fn fn_reg !enter !enter !enter", "file:kkt_dlg_registration_3.xml"},
    {"registration work modes", "fn fn_reg !enter !enter !enter !enter", "file:kkt_dlg_registration_4.xml"},
    {"registration cashier", "fn fn_reg !enter !enter !enter !enter !enter", "file:kkt_dlg_registration_oper_inn.xml"},
    {"registration agents", "fn fn_reg !enter !enter !enter !enter !enter !enter", "file:kkt_dlg_registration_5.xml"},
    {"registration reason", "fn fn_reg !enter !enter !enter !enter !enter !enter !enter",
     "file:kkt_dlg_registration_6.xml"},
    {"FFD choice", "fn fn_reg", "file:kkt_dlg_select_registration.xml", "drive firmware K120400\n"},
    {"FFD 1.2 conditions of use", "fn fn_reg .9 .9 .9 .6 !enter !enter !enter !enter !enter !enter",
     "file:kkt_dlg_registration12_5.xml", "drive firmware K120400\n"},
    {"re-registration reasons", "fn fn_reg .9 .9 .6 !enter !enter !enter !enter !enter !enter !enter !enter .9 .9 .6 !enter",
     "file:kkt_dlg_reason_1_1_1.xml", "drive firmware K110340\ndrive ffd 1.1\n"},

    // ---- OFD and communications ----
    {"OFD menu", "ofd", "file:kkt_menu_ofd.xml"},
    {"nothing to send to the OFD", "ofd ofd_conn", "title:ВНИМАНИЕ"},
    {"OFD ticket dialog", "ofd ofd_ticket", "file:kkt_dlg_ofd_get_ticket.xml"},
    {"OFD ticket", "ofd ofd_ticket =2", "title:КВИТАНЦИЯ ОФД",
     "drive document shift-open 0103260900\ndrive waiting 0\n"},
    {"waiting documents", "ofd ofd_doc_wait", "title:ОЧЕРЕДЬ ДОКУМЕНТОВ"},
    {"unsent documents", "ofd ofd_pay_state", "title:СОСТОЯНИЕ ОБМЕНА"},
    {"USSD request", "ofd get_ussd", "file:common_dlg_ussd_request.xml"},
    // Without a modem (modemsim) the AT terminal stops at its box; the
    // terminal itself is checked with the descriptions (res_files_test).
    {"modem terminal without a modem", "ofd term_wl", "title:ОШИБКА"},
    {"link type menu", "ofd ofd_conn", "title:ТИП СОЕДИНЕНИЯ", "drive waiting 1\n"},
    {"mobile operator menu", "ofd ofd_conn !2", "title:ОПЕРАТОР МОБ.СВЯЗИ", "drive waiting 1\n"},
    {"WiFi module error box", "ofd ofd_conn !3", "title:ОШИБКА", "drive waiting 1\n"},
    {"OFD server parameters", "ofd ofd_par", "file:kkt_dlg_ofd_param.xml"},
    {"OFD port box", "ofd ofd_par !enter", "title:ОШИБКА"},
    {"unsaved parameters question", "ofd ofd_par !cancel", "title:ВНИМАНИЕ"},
    {"saving parameters question", "ofd ofd_par !enter", "title:ВНИМАНИЕ", "drive ofd-port 7777\n"},
    {"servers outside marking mode", "ofd serv_par", "title:ВНИМАНИЕ"},
    {"server chooser", "ofd serv_par", "file:kkt_dlg_select_server.xml", "drive ffd 1.2\ndrive marking 00000100\n"},
    {"marking server parameters", "ofd serv_par !enter", "file:kkt_dlg_oism_param.xml",
     "drive ffd 1.2\ndrive marking 00000100\n"},
    {"key service parameters", "ofd serv_par .down !enter", "file:kkt_dlg_as_okp_param.xml",
     "drive ffd 1.2\ndrive marking 00000100\n"},
    {"connection editor", "ofd Conn_SetParam", "file:common_menu_conn_menu.xml"},
    {"no connections box", "ofd Conn_SetParam delete", "title:ОШИБКА"},
    {"new connection", "ofd Conn_SetParam new", "file:common_conn_dlg_type.xml"},
    {"new connection name box", "ofd Conn_SetParam new .14 .14 .14 .14 .14 !enter", "title:ОШИБКА"},
    {"Ethernet dialog", "ofd Conn_SetParam new .down .9 .9 .9 .6 !enter", "file:common_conn_dlg_eth.xml"},
    {"connection saved", "ofd Conn_SetParam new .down .9 .9 .9 .6 !enter !enter", "title:УСПЕШНО"},
    {"connection chooser", "ofd Conn_SetParam new .down .9 .9 .9 .6 !enter !enter !enter edit", "title:ВЫБОР СОЕДИНЕНИЯ"},
    {"rename dialog", "ofd Conn_SetParam new .down .9 .9 .9 .6 !enter !enter !enter rename !enter",
     "file:common_conn_dlg_rename.xml"},
    {"delete question", "ofd Conn_SetParam new .down .9 .9 .9 .6 !enter !enter !enter delete !enter", "title:ПОДТВЕРДИТЕ"},
    {"GPRS dialog", "ofd Conn_SetParam new .down .9 .9 .6 !enter !enter", "file:common_conn_dlg_gprs.xml"},
    {"ping address dialog", "ofd Conn_SetParam ping", "file:common_dlg_ping_adr.xml"},
    {"ping address box", "ofd Conn_SetParam ping !enter", "title:ОШИБКА"},
    {"key update refusal box", "ofd asokp_update_keys", "title:ОШИБКА"},
    {"key update screen", "ofd asokp_update_keys !cancel", "file:common_dlg_as_okp.xml",
     "drive ffd 1.2\ndrive marking 00000100\ndrive key-address tcp://h:0\nfault 9E delay 1500 times 2\n"},
    // In autonomous mode the notifications go to a file on the USB flash
    // drive instead: without the drive, or without notifications, a box.
    {"unload without a USB drive", "ofd ofd_conn", "title:ОШИБКА",
     "drive ffd 1.2\ndrive marking 100\ndrive reg-flags 02\ndrive notify 40\n"},
    {"unload without notifications", "ofd ofd_conn", "title:ОШИБКА",
     "drive ffd 1.2\ndrive marking 100\ndrive reg-flags 02\n"},

    // ---- electronic journal ----
    {"journal menu", "journal", "file:kkt_menu_journal.xml"},
    {"journal shift dialog", "journal journal_shift", "file:kkt_dlg_input_shift_num.xml"},
    {"journal closing dialog", "journal journal_shift_close", "file:kkt_dlg_input_shift_num.xml"},
    {"journal document dialog", "journal journal_doc", "file:kkt_dlg_ej_no_doc.xml"},
    {"journal numbers dialog", "journal journal_nums", "file:kkt_dlg_ej_no_report.xml"},
    {"journal time dialog", "journal journal_time", "file:kkt_dlg_ej_time_report.xml"},
    {"journal print done", "journal journal_doc =2 ~", "title:КОПИЯ ДОКУМЕНТА",
     "drive document shift-open 0103260900\n"},
    {"journal too-large number box", "journal journal_shift =70000", "title:ОШИБКА"},
    {"journal parameters", "journal journal_param", "title:ПАРАМЕТРЫ ЖУРНАЛА"},
    {"journal clearing question", "journal journal_clean", "title:ВНИМАНИЕ"},

    // ---- settings ----
    {"settings menu", "settings", "file:kkt_menu_settings.xml"},
    {"date and time dialog", "settings sets_dt", "file:kkt_dlg_set_date_time.xml"},
    {"header fetch question", "settings sets_header", "title:ВНИМАНИЕ"},
    {"header editor", "settings sets_header !enter", "file:kkt_dlg_header.xml", u8"drive head 2 ООО \"РОМАШКА\"\ndrive head 3 ТЕЛ. 123-45-67\n"},
    {"tail editor", "settings sets_tail !cancel", "file:kkt_dlg_tail.xml"},
    {"extended header editor", "settings sets_header_ext !enter", "file:kkt_dlg_header_ext.xml", u8"drive head 1 ДОБРО ПОЖАЛОВАТЬ\n"},
    {"tax rate list", "settings sets_tax", "file:kkt_menu_select_tax_type.xml"},
    {"tax rate form", "settings sets_tax !enter", "title:НАЛОГОВАЯ СТАВКА"},
    {"payment type list", "settings sets_pay", "file:kkt_menu_select_pay_type.xml"},
    {"payment type form", "settings sets_pay !enter", "title:ВИД ОПЛАТЫ"},
    {"date warning", "settings sets_dt .14 .14 .14 .14 .14 .14 =090225", "file:kkt_dlg_warn_message.xml"},
    // Start mode 3 checks the terminal's clock against the controller's and
    // opens the older date and time screen after correcting it.
    {"clock corrected at start", "", "title:ВНИМАНИЕ", "start 3\ndrive clock 1503261030\n"},
    {"older date and time dialog", "!enter", "file:common_dlg_fr_set_date_time.xml",
     "start 3\ndrive clock 1503261030\n"},
    {"parameters page 1", "settings sets_params", "file:kkt_dlg_param_1.xml"},
    {"parameters page 2", "settings sets_params !enter", "file:kkt_dlg_param_2.xml"},
    {"parameters page 3", "settings sets_params !enter !enter", "file:kkt_dlg_param_3.xml"},
    {"parameters page 4", "settings sets_params !enter !enter !enter", "file:kkt_dlg_param_4.xml"},
    {"parameters page 5", "settings sets_params !enter !enter !enter !enter", "file:kkt_dlg_param_5.xml"},
    {"parameters page 6", "settings sets_params !enter !enter !enter !enter !enter", "file:kkt_dlg_param_6.xml"},
    {"department list", "settings sets_departs", "file:kkt_dlg_editor_departs.xml"},
    {"department dialog", "settings sets_departs !243", "file:kkt_dlg_input_depart.xml"},
    {"department 1 kept", "settings sets_departs !242", "title:ОШИБКА"},
    {"battery type", "settings BatteryCheck_Menu", "file:common_dlg_battery.xml"},
    {"battery type stored", "settings BatteryCheck_Menu .9 .6 !enter", "title:УСПЕШНО"},

    // ---- service ----
    {"service menu", "service", "file:kkt_menu_service.xml"},
    {"session start", "service tech_start", "title:НАЧАЛО СЕАНСА"},
    {"shift state", "service tech_info", "title:СОСТОЯНИЕ СМЕНЫ"},
    {"log copy without a USB drive", "service copy_log", "title:ОШИБКА"},

    // ---- host mode ----
    {"host link chooser", "service ext_mode", "file:kkt_dlg_select_external.xml"},
    {"host mode without a USB port", "service ext_mode !enter", "title:ОШИБКА"},
    {"Bluetooth device chooser", "service ext_mode .down .down !enter", "title:ВЫБОР BLUETOOTH"},
};

#endif
